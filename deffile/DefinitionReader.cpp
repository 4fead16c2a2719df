#include "DefinitionReader.h"

#include "CoreError.h"
#include "KeywordLines.h"
#include "LineReader.h"
#include "WidthText.h"

#include <string_view>

namespace {

bool beginsWith(std::string_view line, std::string_view keyword) { return line.substr(0, keyword.size()) == keyword; }

DefinitionOutput outputEntry(std::string_view line)
{
    int16_t number = 0;
    if (parseWidthText(line, number) != WidthParse::Ok) return {};
    return {number, number >= 0};
}

// The model cannot hold one more entry: the file is refused, with the reason.
void checkRoomForEntry(size_t entries, const std::string &path)
{
    if (entries >= MaxDefinitionEntries) throw CoreError::tooManyEntries(path);
}

FieldEntry fieldEntry(std::string_view line)
{
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return {std::string(line), std::string(line)};
    return {std::string(line.substr(0, blank)), std::string(line.substr(blank + 1))};
}

} // namespace

std::optional<Definition> readDefinitionFile(const std::string &path)
{
    LineReader reader(path);
    std::string_view line;
    if (!reader.next(line) || !beginsWith(line, "FIX")) return std::nullopt;

    Definition definition;
    int lineNumber = 1;
    bool more = reader.next(line);
    while (more) {
        if (beginsWith(line, "OUT")) {
            while ((more = reader.next(line)) && !beginsWith(line, "LEN")) {
                checkRoomForEntry(definition.outputs.size(), path);
                definition.outputs.push_back(outputEntry(line));
            }
            if (!more) break;
        }
        if (beginsWith(line, "LEN")) {
            while (reader.next(line)) {
                checkRoomForEntry(definition.fields.size(), path);
                definition.fields.push_back(fieldEntry(line));
            }
            break;
        }
        ++lineNumber;
        try {
            readKeywordLine(line, definition.settings);
        } catch (CoreError &error) {
            error.withDefinitionLine(path, lineNumber);
            throw;
        }
        more = reader.next(line);
    }
    return definition;
}
