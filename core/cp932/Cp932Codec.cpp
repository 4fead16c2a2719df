#include "cp932/Cp932Codec.h"

#include "cp932/Cp932.h"
#include "cp932/Cp932Table.h"

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

constexpr bool LittleEndian = Utf8Cell::LittleEndian;

constexpr uint32_t cellOf(char32_t code)
{
    uint8_t bytes[4] = {};
    uint8_t length = 3;
    if (code < 0x80) {
        bytes[0] = uint8_t(code);
        length = 1;
    } else if (code < 0x800) {
        bytes[0] = uint8_t(0xC0 | (code >> 6));
        bytes[1] = uint8_t(0x80 | (code & 0x3F));
        length = 2;
    } else {
        bytes[0] = uint8_t(0xE0 | (code >> 12));
        bytes[1] = uint8_t(0x80 | ((code >> 6) & 0x3F));
        bytes[2] = uint8_t(0x80 | (code & 0x3F));
    }
    bytes[3] = uint8_t(length << 6 | (code == Replacement ? 0x20 : 0));
    return LittleEndian ? uint32_t(bytes[0]) | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24
                        : uint32_t(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
}

// Two bytes as one word, in the machine's order: the index of the cells below.
inline uint16_t twoBytesAt(const char *at)
{
    uint16_t two;
    std::memcpy(&two, at, 2);
    return two;
}

} // namespace

const uint32_t *Utf8Cell::byTwoBytes()
{
    static const std::vector<uint32_t> cells = [] {
        std::array<uint32_t, 256> single{};
        for (unsigned byte = 0; byte < 256; ++byte) {
            char32_t code = Replacement;
            if (byte < 0x80) code = byte;
            if (byte >= FirstKana && byte <= LastKana) code = FirstKanaCode + (byte - FirstKana);
            single[byte] = cellOf(code);
        }
        std::vector<uint32_t> made(256 * 256);
        for (unsigned second = 0; second < 256; ++second)
            for (unsigned first = 0; first < 256; ++first) {
                uint32_t cell = single[first];
                if (isLeadByte(uint8_t(first))) {
                    const uint16_t code =
                        isTrailByte(uint8_t(second))
                            ? table::doubleByte[table::leadIndex(uint8_t(first))][table::trailIndex(uint8_t(second))]
                            : 0;
                    cell = cellOf(code ? code : Replacement);
                }
                const char two[2] = {char(first), char(second)};
                made[twoBytesAt(two)] = cell;
            }
        return made;
    }();
    return cells.data();
}

namespace {

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

// Writes the UTF-8 of characters found by their starts; a character's cell is one read, by its
// first byte and the byte after it, with no branch. `Indexed`: notes where each one begins.
template <bool Indexed> class Utf8Writer {
public:
    explicit Utf8Writer(char *to, uint32_t *offsets = nullptr)
        : cells_(Utf8Cell::byTwoBytes()), start_(to), to_(to), firstOffset_(offsets), offsets_(offsets)
    {
    }

    // The characters starting at the bytes of `block` whose bits are set in `starts`; the byte
    // after each start must be readable.
    void putStarts(const char *block, uint64_t starts)
    {
        for (; starts; starts &= starts - 1) put(cells_[twoBytesAt(block + __builtin_ctzll(starts))]);
    }
    // The character of a text's last byte, which has no byte after it to read.
    void putLast(char byte)
    {
        const char alone[2] = {byte, 0};
        put(cells_[twoBytesAt(alone)]);
    }
    // The characters written so far (counted where indexed).
    size_t characters() const { return size_t(offsets_ - firstOffset_); }
    // Copies ASCII bytes, which are their own UTF-8, each a character.
    void putAscii(const char *bytes, size_t size)
    {
        if constexpr (Indexed)
            for (size_t i = 0; i < size; ++i) *offsets_++ = uint32_t(to_ - start_ + i);
        std::memcpy(to_, bytes, size);
        to_ += size;
    }
    // The end of what was written (noted as the end of the last character); adds the characters
    // that could not be decoded to `undecodable`.
    char *finish(size_t &undecodable)
    {
        if constexpr (Indexed) *offsets_ = uint32_t(to_ - start_);
        // Rare, so counted here rather than for each character.
        if (Utf8Cell::marked(allCells_))
            undecodable += countReplacements(std::string_view(start_, size_t(to_ - start_)));
        return to_;
    }

private:
    void put(uint32_t cell)
    {
        if constexpr (Indexed) *offsets_++ = uint32_t(to_ - start_);
        std::memcpy(to_, &cell, 4); // the fourth byte lands in the spare room and is written over
        to_ += Utf8Cell::length(cell);
        allCells_ |= cell;
    }

    const uint32_t *cells_;
    char *start_;
    char *to_;
    const uint32_t *firstOffset_;
    uint32_t *offsets_;
    uint32_t allCells_ = 0;
};

bool allAscii(const char *block64)
{
    uint64_t high = 0;
    for (size_t i = 0; i < 64; i += 8) {
        uint64_t eight;
        std::memcpy(&eight, block64 + i, 8);
        high |= eight & 0x8080808080808080ULL;
    }
    return !high;
}

// The UTF-8 of the characters of `bytes`, found 64 bytes at a time (as in charOffsets), so that
// taking one is not held up by the length of the one before it. `moreWanted()` is asked before
// each block.
template <bool Indexed, class MoreWanted>
char *encode(std::string_view bytes, Utf8Writer<Indexed> &writer, size_t &undecodable, MoreWanted &&moreWanted)
{
    uint64_t secondByteFirst = 0;
    for (size_t base = 0; base < bytes.size() && moreWanted(); base += 64) {
        const size_t size = std::min<size_t>(64, bytes.size() - base);
        const char *block = bytes.data() + base;
        if (size == 64 && !secondByteFirst && allAscii(block)) {
            writer.putAscii(block, 64);
            continue;
        }
        const bool last = base + 64 >= bytes.size();
        const int byteAfter = last ? -1 : static_cast<unsigned char>(block[64]);
        const uint64_t starts = detail::characterStarts(block, size, byteAfter, secondByteFirst);
        // The text's last byte has no byte after it to read: a character of its own.
        const uint64_t lastByte = last ? uint64_t(1) << (size - 1) : 0;
        writer.putStarts(block, starts & ~lastByte);
        if (starts & lastByte) writer.putLast(block[size - 1]);
    }
    return writer.finish(undecodable);
}

} // namespace

char *writeUtf8(std::string_view bytes, char *to, size_t &undecodable)
{
    Utf8Writer<false> writer(to);
    return encode(bytes, writer, undecodable, [] { return true; });
}

size_t writeUtf8Indexed(std::string_view bytes, size_t wanted, char *to, uint32_t *offsets, size_t &undecodable)
{
    Utf8Writer<true> writer(to, offsets);
    encode(bytes, writer, undecodable, [&] { return writer.characters() < wanted; });
    return writer.characters();
}

size_t countReplacements(std::string_view utf8)
{
    constexpr std::string_view ReplacementUtf8 = "\xEF\xBF\xBD";
    size_t count = 0;
    for (size_t at = utf8.find(ReplacementUtf8); at != std::string_view::npos; at = utf8.find(ReplacementUtf8, at + 3))
        ++count;
    return count;
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
