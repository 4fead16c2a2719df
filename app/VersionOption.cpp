#include "VersionOption.h"

#include "KenarisVersion.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char *Usage =
    "使い方: kenaris [定義ファイル.def] [変換元ファイル]\n"
    "  固定長の Shift-JIS レコードを CSV や TSV に変換する画面を開きます。\n"
    "  名前が .def で終わるファイルはレイアウト、それ以外は変換元として開きます (順序は問いません)。\n"
    "  --version でバージョンを、--help でこの説明を表示します。\n"
    "  スクリプトからの変換には kenaris-batch を使います。\n";

} // namespace

bool answerInformationOption(int argc, char *argv[])
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kenaris %s\n", KenarisVersion);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return true;
        }
    }
    return false;
}
