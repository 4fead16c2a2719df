#include "TableHeader.h"

#include <algorithm>
#include <string_view>

namespace {

struct RoleWords {
    ColumnRole role;
    std::vector<std::string_view> words; // most telling first
};

const RoleWords Vocabulary[] = {
    {ColumnRole::Name, {"項目名", "フィールド名", "名称", "項目名称", "名前", "項目", "fieldname", "name", "field"}},
    {ColumnRole::Start, {"開始位置", "開始", "桁位置", "開始桁", "位置", "start", "from", "position", "pos"}},
    {ColumnRole::End, {"終了位置", "終了", "終了桁", "end", "to"}},
    {ColumnRole::Length,
     {"文字数", "バイト数", "桁数", "長さ", "サイズ", "length", "width", "size", "bytes", "len", "byte"}},
    {ColumnRole::Attribute, {"属性", "データ型", "型", "タイプ", "type", "format", "picture", "pic"}},
    {ColumnRole::Repetition, {"繰返し", "繰り返し", "繰返", "回数", "occurs", "repetition", "repeat", "times"}},
    {ColumnRole::Output, {"出力位置", "出力順", "output"}},
};

constexpr std::string_view CharsWord = "文字数";

// Lower case, without blanks (ideographic ones too), line breaks (a wrapped cell) and underscores.
std::string normalised(const std::string &cell)
{
    std::string out;
    for (size_t at = 0; at < cell.size(); ++at) {
        const char c = cell[at];
        if (cell.compare(at, 3, "\xE3\x80\x80") == 0) {
            at += 2;
        } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '_') {
            out.push_back(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
        }
    }
    return out;
}

// A word may be found within a longer header only when it is telling: two or more Japanese
// characters, or four or more letters.
bool mayBeWithin(std::string_view word)
{
    const bool ascii = std::all_of(word.begin(), word.end(), [](char c) { return (unsigned char)c < 0x80; });
    return ascii ? word.size() >= 4 : word.size() >= 6;
}

// A column of numbers ("No.", "番号") is never taken for a name by a word within it.
bool isNumberColumn(const std::string &header)
{
    return header == "no" || header == "no." || header.find("番号") != std::string::npos;
}

struct Candidate {
    int rank;
    ColumnRole role;
    size_t column;
};

} // namespace

std::optional<TableHeader> recogniseHeader(const std::vector<std::string> &cells)
{
    std::vector<Candidate> candidates;
    std::vector<std::string> headers;
    for (const std::string &cell : cells) headers.push_back(normalised(cell));
    for (size_t column = 0; column < headers.size(); ++column) {
        const std::string &header = headers[column];
        if (header.empty()) continue;
        for (const RoleWords &role : Vocabulary) {
            for (size_t index = 0; index < role.words.size(); ++index) {
                const std::string_view word = role.words[index];
                if (header == word) candidates.push_back({int(index), role.role, column});
                else if (mayBeWithin(word) && !isNumberColumn(header) && header.find(word) != std::string::npos)
                    candidates.push_back({1000 + int(index), role.role, column});
            }
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) { return a.rank < b.rank; });
    TableHeader header{std::vector<ColumnRole>(cells.size(), ColumnRole::Ignored), false};
    std::vector<bool> roleTaken(size_t(ColumnRole::Output) + 1, false);
    for (const Candidate &candidate : candidates) {
        if (roleTaken[size_t(candidate.role)] || header.roles[candidate.column] != ColumnRole::Ignored) continue;
        roleTaken[size_t(candidate.role)] = true;
        header.roles[candidate.column] = candidate.role;
        if (candidate.role == ColumnRole::Length)
            header.lengthInChars = headers[candidate.column].find(CharsWord) != std::string::npos;
    }
    const auto has = [&](ColumnRole role) { return roleTaken[size_t(role)]; };
    if (!has(ColumnRole::Name) || !(has(ColumnRole::Start) || has(ColumnRole::End) || has(ColumnRole::Length)))
        return std::nullopt;
    return header;
}
