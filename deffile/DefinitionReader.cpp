#include "DefinitionReader.h"

#include "errors/CoreError.h"
#include "KeywordLines.h"
#include "read/LineReader.h"
#include "layout/WidthText.h"

#include <string_view>

namespace {

constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

bool beginsWith(std::string_view line, std::string_view keyword) { return line.substr(0, keyword.size()) == keyword; }

DefinitionOutput outputEntry(std::string_view line)
{
    int16_t number = 0;
    if (parseWidthText(line, number) != WidthParse::Ok) return {0, false, false};
    return {number, number >= 0, true};
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

// Reads the file's lines in turn, counting them and refusing one too long to be a definition's.
class DefinitionLines {
public:
    explicit DefinitionLines(const std::string &path) : path_(path), reader_(path)
    {
        reader_.keepAtMost(MaxDefinitionLineBytes + 1);
        reader_.stopAtLongLines();
    }

    bool next(std::string_view &line)
    {
        if (!reader_.next(line)) return false;
        ++number_;
        if (line.size() > MaxDefinitionLineBytes) throw malformed(std::string(), CoreError::LineFault::TooLong);
        return true;
    }

    CoreError malformed(std::string text, CoreError::LineFault fault) const
    {
        CoreError error = CoreError::malformedLine(std::move(text), fault);
        error.withDefinitionLine(path_, number_);
        return error;
    }
    int number() const { return number_; }

private:
    const std::string &path_;
    LineReader reader_;
    int number_ = 0;
};

} // namespace

std::optional<Definition> readDefinitionFile(const std::string &path)
{
    DefinitionLines lines(path);
    std::string_view line;
    if (!lines.next(line)) return std::nullopt;
    if (beginsWith(line, Utf8ByteOrderMark) && beginsWith(line.substr(Utf8ByteOrderMark.size()), "FIX"))
        throw lines.malformed("FIX", CoreError::LineFault::Utf8File);
    if (!beginsWith(line, "FIX")) return std::nullopt;

    Definition definition;
    bool more = lines.next(line);
    while (more) {
        if (beginsWith(line, "OUT")) {
            while ((more = lines.next(line)) && !beginsWith(line, "LEN")) {
                checkRoomForEntry(definition.outputs.size(), path);
                definition.outputs.push_back(outputEntry(line));
                if (!definition.outputs.back().read && !definition.unreadEntry)
                    definition.unreadEntry = lines.malformed(std::string(line), CoreError::LineFault::NotAnEntry);
            }
            if (!more) break;
        }
        if (beginsWith(line, "LEN")) {
            while (lines.next(line)) {
                checkRoomForEntry(definition.fields.size(), path);
                definition.fields.push_back(fieldEntry(line));
            }
            break;
        }
        try {
            readKeywordLine(line, definition.settings);
        } catch (CoreError &error) {
            error.withDefinitionLine(path, lines.number());
            throw;
        }
        more = lines.next(line);
    }
    return definition;
}
