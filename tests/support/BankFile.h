#pragma once
// A transfer file in the bank pattern, made by the tests: records of 120 bytes, a header (type 1),
// data records (type 2), a trailer (type 8) and an end record (type 9), names in half-width kana.

#include <string>

namespace bank {

inline constexpr int RecordLength = 120;

// Half-width kana in CP932 (one byte each).
inline const std::string BankName = "\xB6\xC5\xD8\xBD\xB7\xDE\xDD\xBA\xB3"; // ｶﾅﾘｽｷﾞﾝｺｳ
inline const std::string Recipient = "\xD4\xCF\xC0\xDE \xC0\xDB\xB3";       // ﾔﾏﾀﾞ ﾀﾛｳ

inline std::string padded(std::string text, size_t width) { return text.append(width - text.size(), ' '); }

inline std::string number(long long value, size_t width)
{
    std::string digits = std::to_string(value);
    return std::string(width - digits.size(), '0') + digits;
}

// Type, bank code, bank name, branch code, branch name, clearing house, account type, account,
// recipient, amount, then blanks: 1+4+15+3+15+4+1+7+30+10+30 bytes.
inline std::string dataRecord(int index)
{
    return std::string("2") + number(1 + index % 9, 4) + padded(BankName, 15) + number((100 + index) % 1000, 3) +
           padded("\xCB\xDE\xAC\xDD", 15) + "0000" + "1" + number(1000000 + index, 7) + padded(Recipient, 30) +
           number(1000LL * (index + 1), 10) + std::string(30, ' ');
}

inline std::string headerRecord()
{
    return padded(std::string("1210") + number(1234567890, 10) + padded(BankName, 40), 120);
}
inline std::string trailerRecord(int count) { return padded(std::string("8") + number(count, 6) + number(0, 12), 120); }
inline std::string endRecord() { return padded("9", 120); }

// `groups` runs of header, `dataPerGroup` data records, trailer and end record.
inline std::string file(int groups, int dataPerGroup, bool lineEnds, bool endOfFileMark)
{
    const std::string lineEnd = lineEnds ? "\r\n" : "";
    std::string bytes;
    for (int group = 0; group < groups; ++group) {
        bytes += headerRecord() + lineEnd;
        for (int index = 0; index < dataPerGroup; ++index) bytes += dataRecord(index) + lineEnd;
        bytes += trailerRecord(dataPerGroup) + lineEnd + endRecord() + lineEnd;
    }
    if (endOfFileMark) bytes += '\x1A';
    return bytes;
}

// The layout of the data records, in bytes, converting fields `outputs` ("2\r\n9\r\n10"), with
// the given keyword lines.
inline std::string definition(const std::string &keywordLines, const std::string &outputs)
{
    return "FIX\r\nBYTE\r\n" + keywordLines + "OUT\r\n" + outputs +
           "LEN\r\n1 type\r\n4 bank\r\n15 bankname\r\n3 branch\r\n15 branchname\r\n4 house\r\n1 kind\r\n"
           "7 account\r\n30 recipient\r\n10 amount\r\n30 rest\r\n";
}

} // namespace bank
