// Files named on the command line: `kenaris [LAYOUT.def] [SOURCE]`, in either order, as the
// desktop passes the files a user opened with the program.

#include "frmKenaris.h"

#include "MsgBox.h"
#include "frmKenarisDisplay.h"
#include "mdlFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

// A name ending in ".def", in any case, is a layout; anything else a source.
bool namesDefinition(const std::string &argument)
{
    if (argument.size() < 4) return false;
    std::string ending = argument.substr(argument.size() - 4);
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return std::tolower(c); });
    return ending == ".def";
}

void refuseArguments(const QString &reason)
{
    MsgBox(QStringLiteral(
               "起動時に指定されたファイルを開けません。\n%1\n使い方: kenaris [定義ファイル.def] [変換元ファイル]")
               .arg(reason),
           vbExclamation);
}

std::string absolutePath(const std::string &path) { return std::filesystem::absolute(path).string(); }

} // namespace

void frmKenaris::openCommandLineFiles(const std::vector<std::string> &arguments)
{
    std::string layout, source;
    for (const std::string &argument : arguments) {
        const QString shown = QString::fromStdString(argument);
        if (argument.empty()) return refuseArguments(QStringLiteral("空のファイル名が指定されました。"));
        if (argument[0] == '-')
            return refuseArguments(QStringLiteral("不明なオプション「%1」が指定されました。").arg(shown));
        std::string &slot = namesDefinition(argument) ? layout : source;
        if (!slot.empty())
            return refuseArguments(
                QStringLiteral("%1が 2 つ指定されました（「%2」と「%3」）。")
                    .arg(&slot == &layout ? QStringLiteral("定義ファイル") : QStringLiteral("変換元ファイル"),
                         QString::fromStdString(slot), shown));
        slot = argument;
    }
    if (layout.empty() && source.empty()) return;

    runHandler([&] {
        // A layout fits a source: without one, the user chooses it first, as for 元ファイル.
        InputPath = source.empty() ? ChooseOpenFile(*this) : absolutePath(source);
        if (InputPath.empty()) return;
        showChosenSource();
        if (!layout.empty()) loadDefinition(absolutePath(layout));
    });
}
