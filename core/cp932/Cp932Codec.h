#pragma once
// Code page 932 to and from Unicode by the program's one table. Bytes are grouped into
// characters by the character rule of Cp932.h, so what is shown is what is cut.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cp932 {

// Appends the UTF-8 of `bytes` to `out`. A double-byte character with no Unicode form, and a
// single byte that is no character (0x80, 0xA0, 0xFD-0xFF, a lead byte without its trail byte),
// become one U+FFFD each; returns how many did.
size_t appendUtf8(std::string_view bytes, std::string &out);

// The same, written from `to` on, which must have room for 3 * bytes.size() + 1 bytes; returns
// the end of what was written and adds the count of U+FFFD to `undecodable`.
char *writeUtf8(std::string_view bytes, char *to, size_t &undecodable);

// The same for the characters of `bytes` in blocks of 64 bytes until `wanted` are written, noting
// where the UTF-8 of each begins: offsets[k] for character k (counted from `to`), then the end of
// the last one. `to` must have room for 3 * n + 1 bytes and `offsets` for n + 1 entries, where n
// is the smaller of bytes.size() and `wanted` + 63. Returns the number of characters written.
size_t writeUtf8Indexed(std::string_view bytes, size_t wanted, char *to, uint32_t *offsets, size_t &undecodable);

// The UTF-8 of one character (code points up to U+FFFF: every character of the table is one) in
// the first three bytes of a word; the fourth byte holds its length (bits 6-7) and whether it
// stands for a character that could not be decoded (bit 5).
struct Utf8Cell {
    static constexpr bool LittleEndian = std::endian::native == std::endian::little;
    static constexpr uint32_t MarkBit = uint32_t(0x20) << (LittleEndian ? 24 : 0);
    static constexpr size_t length(uint32_t cell) { return LittleEndian ? cell >> 30 : (cell >> 6) & 3; }
    static constexpr bool marked(uint32_t cell) { return cell & MarkBit; }
    // The cell of the character that starts with byte `first` when `second` follows it, at the
    // two bytes read as one word (in the machine's order): the pair's character for a lead byte
    // and a trail byte, else the first byte's own (U+FFFD for a lead byte without its trail
    // byte). A character's cell is one read away from its bytes. Made once.
    static const uint32_t *byTwoBytes();
};

// How many U+FFFD the UTF-8 text holds: no CP932 character is decoded to it, so in what the
// functions above wrote, each one stands for a character that could not be decoded.
size_t countReplacements(std::string_view utf8);

// `bytes` as UTF-8, each character that cannot be decoded shown as U+FFFD.
std::string toUtf8(std::string_view bytes);

// Puts the CP932 form of `code` (the form first in byte order where there are two) into `out`;
// returns its length, 1 or 2, or 0 when `code` has no CP932 form.
size_t encode(char32_t code, char out[2]);

} // namespace cp932
