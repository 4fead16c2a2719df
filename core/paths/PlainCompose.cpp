#include "paths/PlainCompose.h"

#include "errors/CoreError.h"
#include "cp932/Cp932Table.h"
#include "layout/WidthText.h"

#include <vector>

namespace {

bool isLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool isTrail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// The characters of `text`, read from its first byte: a lead byte and the trail byte after it
// are one, any other byte is one of its own.
std::vector<std::string_view> charactersOf(std::string_view text)
{
    std::vector<std::string_view> characters;
    for (size_t at = 0; at < text.size();) {
        const bool pair = isLead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() &&
                          isTrail(static_cast<unsigned char>(text[at + 1]));
        characters.push_back(text.substr(at, pair ? 2 : 1));
        at += pair ? 2 : 1;
    }
    return characters;
}

std::string_view cut(std::string_view record, long long start, long long width, WidthUnit unit)
{
    if (unit == WidthUnit::Bytes) {
        const size_t begin = size_t(std::min<long long>(start - 1, (long long)record.size()));
        return record.substr(begin, size_t(std::min<long long>(width, (long long)(record.size() - begin))));
    }
    std::string_view piece;
    const std::vector<std::string_view> characters = charactersOf(record);
    for (long long index = start - 1; index < start - 1 + width && index < (long long)characters.size(); ++index) {
        const std::string_view character = characters[size_t(index)];
        piece = piece.empty() ? character : std::string_view(piece.data(), piece.size() + character.size());
    }
    return piece;
}

bool isBlank(std::string_view character) { return character == " " || character == "\x81\x40"; }

std::string trimmed(std::string_view column)
{
    const std::vector<std::string_view> characters = charactersOf(column);
    size_t first = 0, last = characters.size();
    while (first < last && isBlank(characters[first])) ++first;
    while (last > first && isBlank(characters[last - 1])) --last;
    std::string text;
    for (size_t index = first; index < last; ++index) text += characters[index];
    return text;
}

void appendCodePoint(char32_t c, std::string &out)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

std::string decoded(std::string_view column, size_t &undecodable)
{
    std::string out;
    for (const std::string_view character : charactersOf(column)) {
        const auto first = static_cast<unsigned char>(character[0]);
        char32_t c = 0xFFFD;
        if (character.size() == 2) {
            const size_t lead = first <= 0x9F ? first - 0x81 : first - 0xE0 + 0x1F;
            const uint16_t mapped = cp932::table::doubleByte[lead][static_cast<unsigned char>(character[1]) - 0x40];
            if (mapped != 0) c = mapped;
        } else if (first < 0x80) {
            c = first;
        } else if (first >= 0xA1 && first <= 0xDF) {
            c = 0xFF61 + (first - 0xA1); // half-width katakana
        }
        if (c == 0xFFFD) ++undecodable;
        appendCodePoint(c, out);
    }
    return out;
}

bool callsForQuotes(std::string_view column, std::string_view delimiter)
{
    for (const char c : column)
        if (c == '"' || c == '\r' || c == '\n') return true;
    return !delimiter.empty() && column.find(delimiter) != std::string_view::npos;
}

std::string written(std::string_view piece, const OutputOptions &options, std::string_view delimiter,
                    size_t &undecodable)
{
    const std::string column = options.trim ? trimmed(piece) : std::string(piece);
    const bool quoted = options.quote && callsForQuotes(column, delimiter);
    std::string text = options.utf8 ? decoded(column, undecodable) : column;
    if (!quoted) return text;
    std::string out = "\"";
    for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

} // namespace

std::optional<std::string> composePlainly(const LayoutModel &model, std::string_view record, std::string_view delimiter,
                                          size_t &undecodable)
{
    std::optional<std::string> line;
    for (size_t position = 1; model.OutputLayout && position < model.OutputLayout->size(); ++position) {
        const int field = (*model.OutputLayout)[position].SourceField;
        if (field == -1) break;
        if (field < 1 || field > model.fieldsInTable()) throw CoreError::noSuchField(field);
        const int width = fieldWidth(model, field);
        long long start = 1;
        for (int before = 1; before < field; ++before) start += fieldWidth(model, before);
        if (width < 0) throw CoreError::negativeWidth(field, model.FieldTable[size_t(field - 1)].Width);
        if (start < 1) throw CoreError::startBelowOne(field, start);
        const std::string column = written(cut(record, start, width, model.Unit), model.Output, delimiter, undecodable);
        line = line ? *line + std::string(delimiter) + column : column;
    }
    return line;
}

std::string plainFileStart(const OutputOptions &options) { return options.utf8 && options.bom ? "\xEF\xBB\xBF" : ""; }
