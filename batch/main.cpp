// kenaris-batch [--tab] [--reject FILE] [--strict] [--part I/N] DEFINITION SOURCE OUTPUT [DEFINITION OUTPUT]...
// kenaris-batch [OPTIONS] --import-layout TABLE DEFINITION, --export-layout DEFINITION TABLE
// Converts SOURCE into OUTPUT with the layout saved in DEFINITION, as the window would; with
// further pairs, into every OUTPUT in one pass over SOURCE.

#include "BatchRun.h"
#include "write/FailedWrites.h"
#include "KenarisVersion.h"
#include "TerminalText.h"
#include "LayoutTableCommand.h"
#include "write/WorkbookWriter.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char *Usage =
    "使い方: kenaris-batch [--tab] [--reject 除外ファイル] [--strict] [--part 番号/パート数]\n"
    "  定義ファイル 変換元ファイル 出力ファイル [定義ファイル 出力ファイル]...\n"
    "  定義ファイル (*.def) のレイアウトで、固定長の変換元ファイルを区切り形式の出力ファイルに変換します。\n"
    "  定義ファイルと出力ファイルの組を続けると、変換元ファイルを 1 回読んで組ごとに出力します\n"
    "  (各レコードは、それを対象とするすべての定義で変換します)。\n"
    "  区切り文字はカンマです。--tab を付けるとタブになります。\n"
    "  名前が .xlsx で終わる出力ファイルは、数値・日付の型を保った Excel ブックになります。\n"
    "  レイアウトに合わないレコードや、型 (数値・日付) に合わない値は、件数を報告します。\n"
    "  --reject 除外ファイル を付けると、警告の出たレコードを読んだままの形で除外ファイルに書きます。\n"
    "  --strict を付けると、最初の警告で変換を中止します (そのレコードは出力しません。終了コード 1)。\n"
    "  --part 番号/パート数 を付けると、変換元ファイルをレコードの切れ目でパート数に分けた、その番号のパートだけを\n"
    "  変換します (1 ≦ 番号 ≦ パート数 ≦ 1000)。パートごとの出力を番号順につなげると、1 回で変換した出力と同じに\n"
    "  なります (BOM と見出し行は 1 番目のパートだけに付きます)。件数と何件目かは、パートの中で数えます。\n"
    "  変換元は通常のファイルに限り、Excel ブック (.xlsx) には出力できません。\n"
    "  出力ファイルが既にあるときは、変換の前に削除します (除外ファイルも同じ。読み取り専用のときは変換しません)。\n"
    "  変換中の出力ファイルは、ほかの変換から守られます。\n"
    "  変換元ファイルに - を指定すると標準入力から読み、出力ファイルに - を指定すると標準出力に書きます\n"
    "  (このとき件数の報告は標準エラー出力に出します)。\n"
    "  --version でバージョンを表示します。\n"
    "  --import-layout / --export-layout でレイアウト表と定義ファイルを相互に変換します\n"
    "  (kenaris-batch --import-layout --help で詳しく表示します)。\n"
    "終了コード: 0 成功 / 1 読み書きや変換の失敗 / 2 引数、定義ファイルや出力ファイルの誤りで何もしなかった\n"
    "  / 130・143 SIGINT・SIGTERM で中断 / 141 標準出力を読む側が先に終了した\n";

int wrongArguments(const std::string &reason)
{
    std::fputs(forTerminal(reason + "\n" + Usage).c_str(), stderr);
    return ExitRefused;
}

// "I/N" with 1 <= I <= N <= MaxSourceParts, in plain decimal digits.
std::optional<SourcePart> partOf(const std::string &text)
{
    const size_t slash = text.find('/');
    const auto number = [&](size_t from, size_t to) {
        int value = 0;
        if (from == to || to - from > 4) return 0;
        for (size_t at = from; at < to; ++at) {
            if (text[at] < '0' || text[at] > '9') return 0;
            value = value * 10 + (text[at] - '0');
        }
        return value;
    };
    if (slash == std::string::npos) return std::nullopt;
    const SourcePart part{number(0, slash), number(slash + 1, text.size())};
    if (part.index < 1 || part.index > part.count || part.count > MaxSourceParts) return std::nullopt;
    return part;
}

// A part is cut from a file that can be read from anywhere, into outputs that can be joined.
std::optional<std::string> partRefused(const BatchJob &job)
{
    if (job.part.whole()) return std::nullopt;
    if (job.sourcePath == "-")
        return "--part は変換元ファイルを途中から読むため、標準入力 (-) は変換元にできません。"
               "変換元を通常のファイルに保存して指定してください。";
    for (const BatchLayout &layout : job.layouts)
        if (isWorkbookPath(layout.outputPath))
            return "--part では Excel ブック「" + layout.outputPath +
                   "」に出力できません。ブックはパートごとの出力をつなげられないため、区切り形式の出力ファイル "
                   "(.csv など) を指定するか、--part を付けずに変換してください。";
    return std::nullopt;
}

} // namespace

int main(int argc, char **argv)
{
    keepRunningOnFailedWrites();
    useUserLocale();

    try {
        if (asksForLayoutTable(argc, argv)) return runLayoutTableCommand(argc, argv);
    } catch (const std::exception &error) { // such as running out of memory
        std::fprintf(stderr, "予期しないエラーで処理を中止しました。(%s)\n", error.what());
        return ExitFailed;
    }

    BatchJob job;
    std::vector<std::string> paths;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!optionsEnd && argument == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && argument == "--tab") {
            job.tab = true;
        } else if (!optionsEnd && argument == "--strict") {
            job.strict = true;
        } else if (!optionsEnd && argument == "--reject") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return wrongArguments("--reject の後に除外ファイルを指定してください。");
            if (std::string(argv[i + 1]) == "-") return wrongArguments("除外ファイルに標準出力 (-) は指定できません。");
            job.rejectPath = argv[++i];
        } else if (!optionsEnd && argument == "--part") {
            const std::optional<SourcePart> part = i + 1 < argc ? partOf(argv[i + 1]) : std::nullopt;
            if (!part)
                return wrongArguments("--part の後に、番号/パート数 を 1 ≦ 番号 ≦ パート数 ≦ " +
                                      std::to_string(MaxSourceParts) + " の整数で指定してください (例: --part 2/8)。");
            job.part = *part;
            ++i;
        } else if (!optionsEnd && (argument == "--help" || argument == "-h")) {
            std::fputs(forTerminal(Usage).c_str(), stdout);
            return ExitSuccess;
        } else if (!optionsEnd && argument == "--version") {
            std::printf("kenaris-batch %s\n", KenarisVersion);
            return ExitSuccess;
        } else if (!optionsEnd && argument.size() > 1 && argument[0] == '-') {
            return wrongArguments("不明なオプション「" + argument + "」が指定されました。");
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.size() < 3 || paths.size() % 2 == 0)
        return wrongArguments("ファイルを 3 つ (定義ファイル、変換元ファイル、出力ファイルの順に) 指定し、"
                              "続けるときは定義ファイルと出力ファイルを組で指定してください。");
    for (const std::string &path : paths)
        if (path.empty()) return wrongArguments("空のファイル名が指定されました。");
    job.sourcePath = paths[1];
    job.layouts.push_back({paths[0], paths[2]});
    for (size_t pair = 3; pair < paths.size(); pair += 2) job.layouts.push_back({paths[pair], paths[pair + 1]});
    for (const BatchLayout &layout : job.layouts)
        if (layout.definitionPath == "-") return wrongArguments("定義ファイルに標準入力 (-) は指定できません。");
    if (const std::optional<std::string> refused = partRefused(job)) return wrongArguments(*refused);
    try {
        return runBatch(job);
    } catch (const std::exception &error) { // such as running out of memory
        std::fputs(forTerminal(std::string("予期しないエラーで処理を中止しました。(") + error.what() + ")\n").c_str(),
                   stderr);
        return ExitFailed;
    }
}
