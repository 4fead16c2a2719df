#include "LayoutTableCommand.h"

#include "BatchRun.h"
#include "errors/CoreError.h"
#include "DefinitionReader.h"
#include "DefinitionWriter.h"
#include "errors/ErrorText.h"
#include "LayoutImport.h"
#include "LayoutTable.h"
#include "SafeFileWrite.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char *Usage =
    "使い方: kenaris-batch [--sheet シート名] [--section 番号] [--chars] [--columns 列の並び] --import-layout "
    "レイアウト表 定義ファイル\n"
    "        kenaris-batch --export-layout 定義ファイル レイアウト表.csv\n"
    "  --import-layout: レイアウト表 (タブ区切り・CSV・Markdown の表、Excel ブック .xlsx、COBOL コピー句) から\n"
    "  定義ファイルを作ります。レイアウト表に - を指定すると標準入力から読みます。\n"
    "  --export-layout: 定義ファイルのレイアウトを CSV の表 (UTF-8、BOM 付き) に書き出します。\n"
    "終了コード: 0 成功 / 1 読み書きの失敗 / 2 引数や表の誤りで何もしなかった\n";

// Rows skipped that the report lists one by one; beyond them it gives the count only.
constexpr size_t SkippedRowsListed = 20;

int refuse(const std::string &message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    return ExitRefused;
}

int wrongArguments(const std::string &reason) { return refuse(reason + "\n" + Usage); }

struct Command {
    bool import = false;
    std::vector<std::string> paths;
    TableOptions options;
    long long section = 1;
};

// The whole file, or standard input for "-". Throws CoreError (FileOpen, FileRead).
std::string readAll(const std::string &path)
{
    const int fd = path == "-" ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw CoreError::fileError(CoreError::Kind::FileOpen, path, errno);
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            if (fd != STDIN_FILENO) ::close(fd);
            throw CoreError::fileError(CoreError::Kind::FileRead, path, error);
        }
        if (got == 0) break;
        bytes.append(buffer, size_t(got));
    }
    if (fd != STDIN_FILENO) ::close(fd);
    return bytes;
}

std::string unitName(WidthUnit unit) { return unit == WidthUnit::Bytes ? "バイト" : "文字"; }

std::string report(const LayoutTable &table, size_t chosen, const Command &command, const LayoutSettings &settings)
{
    const TableSection &section = table.sections[chosen];
    size_t numbers = 0, dates = 0;
    for (const auto &[field, type] : settings.Types) (type.kind == FieldKind::Date ? dates : numbers)++;
    size_t gaps = 0, fillers = 0;
    for (const TableField &field : section.fields) {
        if (!field.filler) continue;
        (field.name.rfind("(空き ", 0) == 0 ? gaps : fillers)++;
    }
    std::string out = "レイアウト表「" + command.paths[0] + "」から " + std::to_string(section.fields.size()) +
                      " 項目を読み、定義ファイル「" + command.paths[1] +
                      "」に保存しました (単位: " + unitName(table.unit) + "、レコード長 " +
                      std::to_string(section.recordLength) + " " + unitName(table.unit) + ")。\n";
    if (settings.RecordLength > 0)
        out += "レコードは改行でなく " + std::to_string(settings.RecordLength) +
               " バイトずつ区切って読みます (RECORD)。\n";
    if (!table.sheet.empty()) out += "シート: 「" + table.sheet + "」\n";
    if (numbers + dates > 0)
        out += "属性から型を付けた項目: 数値 (NUMBER) " + std::to_string(numbers) + "、日付 (DATE) " +
               std::to_string(dates) + "\n";
    if (gaps + fillers > 0)
        out += "出力しない項目: 空き " + std::to_string(gaps) + "、FILLER " + std::to_string(fillers) + "\n";
    if (!table.copybook) out += "読み飛ばした行: " + std::to_string(section.skipped.size()) + " 行\n";
    for (size_t index = 0; index < section.skipped.size() && index < SkippedRowsListed; ++index)
        out += "  " + std::to_string(section.skipped[index].line) + " 行目: " + section.skipped[index].reason + "\n";
    if (!section.notSupported.empty()) {
        out += "読み飛ばした定義 (REDEFINES): " + std::to_string(section.notSupported.size()) + "\n";
        for (const std::string &item : section.notSupported) out += "  " + item + "\n";
    }
    if (table.sections.size() > 1) {
        out += "セクション (--section で選びます):\n";
        for (size_t index = 0; index < table.sections.size(); ++index)
            out += std::string(index == chosen ? "* " : "  ") + std::to_string(index + 1) + ": 「" +
                   table.sections[index].title + "」 " + std::to_string(table.sections[index].fields.size()) +
                   " 項目\n";
    }
    return out;
}

int importLayout(const Command &command)
{
    const std::string &tablePath = command.paths[0], &definitionPath = command.paths[1];
    const LayoutTable table = readLayoutTable(readAll(tablePath), tablePath == "-" ? "" : tablePath, command.options);
    if (table.sections.empty()) {
        std::string sheets;
        for (const std::string &sheet : table.sheets) sheets += (sheets.empty() ? "「" : "、「") + sheet + "」";
        return refuse("レイアウト表「" + tablePath + "」" +
                      (table.sheet.empty() ? "" : "のシート「" + table.sheet + "」") +
                      "に見出し行 (項目名と、開始位置・長さなどの列) が見つかりません。\n" +
                      (table.sheets.size() > 1 ? "ほかのシートは --sheet で選べます: " + sheets + "\n" : "") +
                      "見出しのない表は --columns で各列の内容を指定してください (例: --columns name,start,length)。");
    }
    if (command.section < 1 || size_t(command.section) > table.sections.size())
        return refuse("セクション " + std::to_string(command.section) + " はありません。この表のセクションは 1～" +
                      std::to_string(table.sections.size()) + " です。");
    const size_t chosen = size_t(command.section - 1);
    LayoutModel model = LayoutModel::startup();
    const Definition definition = definitionOfSection(table, table.sections[chosen]);
    applyDefinition(definition, model);
    saveDefinitionFile(definitionPath, model, int(definition.outputs.size()));
    std::fputs(report(table, chosen, command, definition.settings).c_str(), stdout);
    return ExitSuccess;
}

int exportLayout(const Command &command)
{
    const std::string &definitionPath = command.paths[0], &tablePath = command.paths[1];
    std::optional<Definition> definition;
    try {
        definition = readDefinitionFile(definitionPath);
    } catch (const CoreError &error) {
        return refuse(std::string(NotADefinitionMessage) + "\n" + describeError(error));
    }
    if (!definition) return refuse(std::string(NotADefinitionMessage) + "（定義ファイル「" + definitionPath + "」）");
    LayoutModel model = LayoutModel::startup();
    applyDefinition(*definition, model);
    std::string table;
    try {
        table = layoutTableCsv(model);
    } catch (const CoreError &error) {
        return refuse(describeError(error));
    }
    if (tablePath == "-") {
        std::fwrite(table.data(), 1, table.size(), stdout);
        return std::fflush(stdout) == 0 ? ExitSuccess : ExitFailed;
    }
    replaceFileContents(tablePath, table);
    std::printf("定義ファイル「%s」の %d 項目をレイアウト表「%s」に書き出しました。\n", definitionPath.c_str(),
                model.fieldsInTable(), tablePath.c_str());
    return ExitSuccess;
}

} // namespace

bool asksForLayoutTable(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--") return false;
        if (argument == "--import-layout" || argument == "--export-layout") return true;
    }
    return false;
}

int runLayoutTableCommand(int argc, char **argv)
{
    Command command;
    bool chosen = false, optionsEnd = false;
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string argument = argv[i];
            const auto value = [&]() -> std::string {
                if (i + 1 >= argc) throw LayoutTableError(argument + " の後に値を指定してください。");
                return argv[++i];
            };
            if (optionsEnd || argument == "-" || argument.empty() || argument[0] != '-') {
                command.paths.push_back(argument);
            } else if (argument == "--") {
                optionsEnd = true;
            } else if (argument == "--import-layout" || argument == "--export-layout") {
                if (chosen) return wrongArguments("--import-layout と --export-layout は一緒に指定できません。");
                chosen = true;
                command.import = argument == "--import-layout";
            } else if (argument == "--sheet") {
                command.options.sheet = value();
            } else if (argument == "--section") {
                const std::string number = value();
                command.section =
                    number.find_first_not_of("0123456789") == std::string::npos && !number.empty() && number.size() < 9
                        ? std::stoll(number)
                        : 0;
                if (command.section < 1) return wrongArguments("--section には 1 以上の番号を指定してください。");
            } else if (argument == "--help" || argument == "-h") {
                std::fputs(Usage, stdout);
                return ExitSuccess;
            } else if (argument == "--chars") {
                command.options.chars = true;
            } else if (argument == "--columns") {
                command.options.columns = parseColumnRoles(value());
            } else {
                return wrongArguments("不明なオプション「" + argument + "」が指定されました。");
            }
        }
    } catch (const LayoutTableError &error) {
        return wrongArguments(error.what());
    }
    if (command.paths.size() != 2)
        return wrongArguments(command.import ? "レイアウト表と定義ファイルを 1 つずつ指定してください。"
                                             : "定義ファイルとレイアウト表を 1 つずつ指定してください。");
    if (!command.import && command.paths[0] == "-")
        return wrongArguments("定義ファイルに標準入力 (-) は指定できません。");
    if (command.import && command.paths[1] == "-")
        return wrongArguments("定義ファイルに標準出力 (-) は指定できません。");
    try {
        return command.import ? importLayout(command) : exportLayout(command);
    } catch (const LayoutTableError &error) {
        return refuse("レイアウト表「" + command.paths[command.import ? 0 : 1] + "」を読み込めません。\n" +
                      error.what());
    } catch (const CoreError &error) {
        std::fprintf(stderr, "%s\n", describeError(error).c_str());
        return error.kind() == CoreError::Kind::FileWrite || error.kind() == CoreError::Kind::FileRead ? ExitFailed
                                                                                                       : ExitRefused;
    }
}
