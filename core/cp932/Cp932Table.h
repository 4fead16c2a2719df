#pragma once
// The code page 932 table of the whole program (see tools/make-cp932-table, which writes
// Cp932Table.cpp): the Unicode code point of each double-byte character, 0 where a lead and a
// trail byte make no character.

#include <cstddef>
#include <cstdint>

namespace cp932::table {

inline constexpr size_t LeadBytes = 60;   // 0x81-0x9F, 0xE0-0xFC
inline constexpr size_t TrailBytes = 189; // 0x40-0xFC

constexpr size_t leadIndex(unsigned char lead) { return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31; }
constexpr size_t trailIndex(unsigned char trail) { return trail - 0x40; }

extern const uint16_t doubleByte[LeadBytes][TrailBytes];

} // namespace cp932::table
