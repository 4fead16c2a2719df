#pragma once
// Source files that strain the program, and what converting them must give, stated plainly
// from the rules: a line ends at CR, CR LF or LF; a CP932 lead byte (81-9F, E0-FC) followed
// by a trail byte (40-7E, 80-FC) is one character, every other byte is one character.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace faultdata {

inline std::vector<std::string> splitLines(const std::string &bytes)
{
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        lines.push_back(line);
        line.clear();
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

inline std::vector<std::string> characters(const std::string &line)
{
    const auto lead = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    const auto trail = [](unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; };
    std::vector<std::string> chars;
    for (size_t i = 0; i < line.size();) {
        const size_t length = lead(line[i]) && i + 1 < line.size() && trail(line[i + 1]) ? 2 : 1;
        chars.push_back(line.substr(i, length));
        i += length;
    }
    return chars;
}

// Characters start .. start + width - 1 (1-based) of `chars`; fewer at the end of the line.
inline std::string cut(const std::vector<std::string> &chars, size_t start, size_t width)
{
    std::string piece;
    for (size_t i = start - 1; i < chars.size() && i < start - 1 + width; ++i) piece += chars[i];
    return piece;
}

// The output of fields 2 then 1 of widths 3 and 3 (the start-up widths), comma-separated.
inline std::string secondAndFirstField(const std::string &source)
{
    std::string out;
    for (const std::string &line : splitLines(source)) {
        const std::vector<std::string> chars = characters(line);
        out += cut(chars, 4, 3) + "," + cut(chars, 1, 3) + "\r\n";
    }
    return out;
}

// The start-up layout as a definition file, with fields 2 then 1 as output columns.
inline const std::string SecondAndFirstDefinition =
    "FIX\r\nOUT\r\n2\r\n1\r\nLEN\r\n3 a\r\n3 b\r\n3 c\r\n4 d\r\n4 e\r\n8 f\r\n5 g\r\n";
// The same, written as UTF-8 with a byte order mark and with quotes where a column needs them.
inline const std::string SecondAndFirstQuotedWithMarkDefinition =
    "FIX\r\nQUOTE\r\nUTF8 BOM\r\nOUT\r\n2\r\n1\r\nLEN\r\n3 a\r\n3 b\r\n3 c\r\n4 d\r\n4 e\r\n8 f\r\n5 g\r\n";

// Every byte value, NULs, stretches without a line end longer than a read, line ends of each
// kind, and a lead byte with nothing after it at the very end. The first line holds every value
// but CR and LF, starting at 0x80 so that lead and trail bytes pair up in its first fields.
inline std::string binarySource()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i) {
        const char c = char((0x80 + i) & 0xFF);
        if (c != '\r' && c != '\n') bytes += c;
    }
    bytes += "\r\n";
    uint32_t state = 12345;
    for (int i = 0; i < 300000; ++i) { // no line end in 300 000 bytes
        state = state * 1103515245u + 12345u;
        const char c = char(state >> 24);
        bytes += (c == '\r' || c == '\n') ? '\0' : c;
    }
    bytes += '\n';
    for (int i = 0; i < 256; ++i) bytes += char(i); // its CR and LF end lines of their own
    bytes += std::string(70000, '\0');
    bytes += "\r\x81";
    return bytes;
}

// `count` lines of twelve bytes each: ten digits and CR LF.
inline std::string numberedLines(int count)
{
    std::string bytes;
    char line[16];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "%010d\r\n", i);
        bytes += line;
    }
    return bytes;
}

// `count` lines whose first two fields (of width 3) hold commas and quotes, and in `converted`
// what the layout QUOTE / UTF8 BOM with fields 2 then 1 makes of them.
inline std::string quotedLines(int count, std::string &converted)
{
    std::string bytes;
    converted = "\xEF\xBB\xBF";
    for (int i = 0; i < count; ++i) {
        const std::string a = std::to_string(i % 10), b = std::to_string(i / 10 % 10);
        bytes += a + ",\"" + b + "\"" + std::to_string(100000 + i) + "\r\n"; // a,"b"1000ii
        converted += "\"" + b + "\"\"1\",\"" + a + ",\"\"\"\r\n";            // "b""1","a,"""
    }
    return bytes;
}

// A line of about 100 MB (ASCII and double-byte characters) and a short second line.
inline std::string hugeLineSource()
{
    const std::string pattern = "ABC\x82\xA0"; // four characters in five bytes
    std::string bytes;
    bytes.reserve(100'000'000 + 16);
    while (bytes.size() < 100'000'000) bytes += pattern;
    bytes += "\r\nXYZUVW";
    return bytes;
}
inline const std::string HugeLineOutput = "\x82\xA0"
                                          "AB,ABC\r\nUVW,XYZ\r\n";

// The largest field table: `MaxFields` fields of width 1, each an output column in order.
inline std::string widestDefinition(int fields, int outputs)
{
    std::string bytes = "FIX\r\nOUT\r\n";
    for (int i = 1; i <= outputs; ++i) bytes += std::to_string(i) + "\r\n";
    bytes += "LEN\r\n";
    for (int i = 1; i <= fields; ++i) bytes += "1 f" + std::to_string(i) + "\r\n";
    return bytes;
}

// A line of `chars` characters, single- and double-byte, without a comma, then a short line.
inline std::string wideSource(int chars)
{
    std::string line;
    for (int i = 0; i < chars; ++i) {
        if (i % 3 == 2) line += "\x88\x9F"; // 亜
        else line += char('a' + i % 26);
    }
    return line + "ZZZ\r\nAB\r\n";
}

// The conversion of wideSource with every field of width 1 as a column, comma-separated.
inline std::string wideOutput(int fields, const std::string &source)
{
    std::string out;
    for (const std::string &line : splitLines(source)) {
        const std::vector<std::string> chars = characters(line);
        for (int i = 0; i < fields; ++i) {
            if (i) out += ',';
            if (size_t(i) < chars.size()) out += chars[size_t(i)];
        }
        out += "\r\n";
    }
    return out;
}

} // namespace faultdata
