#include "LayoutTable.h"

#include "Copybook.h"
#include "TableSections.h"
#include "TableText.h"
#include "Workbook.h"

#include <algorithm>

namespace {

std::string lowerExtension(const std::string &fileName)
{
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || fileName.find('/', dot) != std::string::npos) return {};
    std::string extension = fileName.substr(dot + 1);
    for (char &c : extension)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return extension;
}

} // namespace

LayoutTable readLayoutTable(std::string_view bytes, const std::string &fileName, const TableOptions &options)
{
    const std::string extension = lowerExtension(fileName);
    if (extension == "xlsx" || extension == "xlsm" || looksLikeWorkbook(bytes)) {
        WorkbookSheet sheet = readWorkbookSheet(bytes, options.sheet);
        LayoutTable table = sectionsOfRows(sheet.rows, options, "シート「" + sheet.name + "」");
        table.sheets = std::move(sheet.sheets);
        table.sheet = std::move(sheet.name);
        return table;
    }
    const std::string text = tableTextAsUtf8(bytes);
    const bool copybookName = extension == "cpy" || extension == "cbl" || extension == "cob";
    if (options.columns.empty() && (copybookName || looksLikeCopybook(text))) return readCopybook(text, options);
    return sectionsOfRows(splitTableText(text), options, {});
}

std::vector<ColumnRole> parseColumnRoles(std::string_view list)
{
    static const std::pair<std::string_view, ColumnRole> words[] = {
        {"name", ColumnRole::Name},     {"start", ColumnRole::Start},         {"end", ColumnRole::End},
        {"length", ColumnRole::Length}, {"attribute", ColumnRole::Attribute}, {"repetition", ColumnRole::Repetition},
        {"output", ColumnRole::Output}, {"skip", ColumnRole::Ignored},
    };
    std::vector<ColumnRole> roles;
    for (size_t at = 0; at <= list.size();) {
        const size_t comma = std::min(list.find(',', at), list.size());
        const std::string_view word = list.substr(at, comma - at);
        const auto found =
            std::find_if(std::begin(words), std::end(words), [&](const auto &w) { return w.first == word; });
        if (found == std::end(words))
            throw LayoutTableError("列の指定「" + std::string(word) +
                                   "」が読めません。name, start, end, length, attribute, repetition, output, skip "
                                   "をカンマで区切って指定してください。");
        if (found->second != ColumnRole::Ignored && std::find(roles.begin(), roles.end(), found->second) != roles.end())
            throw LayoutTableError("列の指定「" + std::string(word) + "」が 2 回あります。");
        roles.push_back(found->second);
        at = comma + 1;
    }
    const auto has = [&](ColumnRole role) { return std::find(roles.begin(), roles.end(), role) != roles.end(); };
    if (!has(ColumnRole::Name) || !(has(ColumnRole::Length) || has(ColumnRole::End)))
        throw LayoutTableError("列の指定には name と、length または end が要ります。");
    return roles;
}
