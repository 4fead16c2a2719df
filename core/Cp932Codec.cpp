#include "Cp932Codec.h"

#include "Cp932.h"
#include "Cp932Table.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace cp932 {

namespace {

constexpr char32_t Replacement = 0xFFFD;
constexpr unsigned char FirstKana = 0xA1, LastKana = 0xDF;
constexpr char32_t FirstKanaCode = 0xFF61;

// The UTF-8 of one character (code points up to U+FFFF: every character of the table is one),
// its length, and whether it stands for a character that could not be decoded.
struct Utf8Cell {
    char bytes[3];
    uint8_t lengthAndMark; // bits 0-1: length; bit 7: written as U+FFFD
};
static_assert(sizeof(Utf8Cell) == 4);

constexpr Utf8Cell cellOf(char32_t code)
{
    Utf8Cell cell{};
    uint8_t length = 3;
    if (code < 0x80) {
        cell.bytes[0] = char(code);
        length = 1;
    } else if (code < 0x800) {
        cell.bytes[0] = char(0xC0 | (code >> 6));
        cell.bytes[1] = char(0x80 | (code & 0x3F));
        length = 2;
    } else {
        cell.bytes[0] = char(0xE0 | (code >> 12));
        cell.bytes[1] = char(0x80 | ((code >> 6) & 0x3F));
        cell.bytes[2] = char(0x80 | (code & 0x3F));
    }
    cell.lengthAndMark = uint8_t(length | (code == Replacement ? 0x80 : 0));
    return cell;
}

// The cells of the 256 single bytes, then for each lead byte a row of 256 cells by the byte after
// it: the pair's character where that byte is a trail byte, else the lone lead byte's U+FFFD.
// Made once.
constexpr size_t PairCells = 256;

const std::vector<Utf8Cell> &utf8Cells()
{
    static const std::vector<Utf8Cell> cells = [] {
        std::vector<Utf8Cell> made;
        made.reserve(PairCells + table::LeadBytes * 256);
        for (unsigned byte = 0; byte < 256; ++byte) {
            char32_t code = Replacement;
            if (byte < 0x80) code = byte;
            if (byte >= FirstKana && byte <= LastKana) code = FirstKanaCode + (byte - FirstKana);
            made.push_back(cellOf(code));
        }
        for (size_t lead = 0; lead < table::LeadBytes; ++lead)
            for (unsigned next = 0; next < 256; ++next) {
                const auto trail = uint8_t(next);
                const uint16_t code = isTrailByte(trail) ? table::doubleByte[lead][table::trailIndex(trail)] : 0;
                made.push_back(cellOf(code ? code : Replacement));
            }
        return made;
    }();
    return cells;
}

// For each byte that starts a character, how to find its cell from the byte after it: bits 8 and
// up hold the index of the byte's own cell or, for a lead byte, of its row; bits 0-7 the mask of
// the byte after (0 for a byte that is a character by itself).
const std::array<uint32_t, 256> &cellFinders()
{
    static const std::array<uint32_t, 256> finders = [] {
        std::array<uint32_t, 256> made{};
        for (unsigned byte = 0; byte < 256; ++byte)
            made[byte] = isLeadByte(uint8_t(byte))
                             ? uint32_t(PairCells + table::leadIndex(uint8_t(byte)) * 256) << 8 | 0xFF
                             : uint32_t(byte) << 8;
        return made;
    }();
    return finders;
}

// For each code point up to U+FFFF its double-byte form (lead << 8 | trail), 0 for none.
const std::vector<uint16_t> &doubleByteForms()
{
    static const std::vector<uint16_t> forms = [] {
        std::vector<uint16_t> table(0x10000, 0);
        // The first form in byte order, except that the NEC-selected IBM extensions (rows 0xED and
        // 0xEE) come last: as Windows writes them, in the IBM extensions (0xFA-0xFC).
        std::vector<unsigned> leads;
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead)
            if (isLeadByte(uint8_t(lead)) && lead != 0xED && lead != 0xEE) leads.push_back(lead);
        leads.insert(leads.end(), {0xED, 0xEE});
        for (const unsigned lead : leads) {
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                const uint16_t code =
                    table::doubleByte[table::leadIndex(uint8_t(lead))][table::trailIndex(uint8_t(trail))];
                if (code && !table[code]) table[code] = uint16_t(lead << 8 | trail);
            }
        }
        return table;
    }();
    return forms;
}

} // namespace

char *writeUtf8(std::string_view bytes, char *to, size_t &undecodable)
{
    // Characters are found 64 bytes at a time (as in charOffsets), so that taking one is not held
    // up by the length of the one before it; a character's cell is then found from its first
    // byte and the byte after it, with no branch.
    const Utf8Cell *const cells = utf8Cells().data();
    const uint32_t *const finders = cellFinders().data();
    size_t marks = 0;
    // The cell is read once, as a word: its length and mark then come from the word, not from a
    // second read that would have to wait for the write before it.
    constexpr unsigned FourthByteShift = std::endian::native == std::endian::little ? 24 : 0;
    const auto put = [&](const Utf8Cell &cell) {
        uint32_t word;
        std::memcpy(&word, &cell, 4);
        std::memcpy(to, &word, 4); // the fourth byte lands in the spare room and is written over
        const uint32_t lengthAndMark = (word >> FourthByteShift) & 0xFF;
        to += lengthAndMark & 3;
        marks += lengthAndMark >> 7;
    };
    uint64_t secondByteFirst = 0;
    for (size_t base = 0; base < bytes.size(); base += 64) {
        const size_t size = std::min<size_t>(64, bytes.size() - base);
        const char *block = bytes.data() + base;
        if (size == 64 && !secondByteFirst) {
            uint64_t high = 0;
            for (size_t i = 0; i < 64; i += 8) {
                uint64_t eight;
                std::memcpy(&eight, block + i, 8);
                high |= eight & 0x8080808080808080ULL;
            }
            if (!high) { // sixty-four ASCII characters
                std::memcpy(to, block, 64);
                to += 64;
                continue;
            }
        }
        const bool last = base + 64 >= bytes.size();
        const int byteAfter = last ? -1 : static_cast<unsigned char>(block[64]);
        const uint64_t starts = detail::characterStarts(block, size, byteAfter, secondByteFirst);
        // The text's last byte has no byte after it to read: a character of its own.
        const uint64_t lastByte = last ? uint64_t(1) << (size - 1) : 0;
        for (uint64_t left = starts & ~lastByte; left; left &= left - 1) {
            const unsigned i = unsigned(__builtin_ctzll(left));
            const uint32_t finder = finders[static_cast<unsigned char>(block[i])];
            put(cells[(finder >> 8) + (static_cast<unsigned char>(block[i + 1]) & finder)]);
        }
        if (starts & lastByte) put(cells[static_cast<unsigned char>(block[size - 1])]);
    }
    undecodable += marks;
    return to;
}

size_t appendUtf8(std::string_view bytes, std::string &out)
{
    const size_t start = out.size();
    out.resize(start + 3 * bytes.size() + 1);
    size_t undecodable = 0;
    char *const end = writeUtf8(bytes, out.data() + start, undecodable);
    out.resize(size_t(end - out.data()));
    return undecodable;
}

std::string toUtf8(std::string_view bytes)
{
    std::string text;
    appendUtf8(bytes, text);
    return text;
}

size_t encode(char32_t code, char out[2])
{
    if (code < 0x80) {
        out[0] = char(code);
        return 1;
    }
    if (code >= FirstKanaCode && code <= FirstKanaCode + (LastKana - FirstKana)) {
        out[0] = char(FirstKana + (code - FirstKanaCode));
        return 1;
    }
    if (code > 0xFFFF) return 0;
    const uint16_t form = doubleByteForms()[code];
    if (!form) return 0;
    out[0] = char(form >> 8);
    out[1] = char(form & 0xFF);
    return 2;
}

} // namespace cp932
