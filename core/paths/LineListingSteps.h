#pragma once
// The line listing and line-end finding every vector path shares, around its
// `lineEndBits(at, carriageReturns)`: bit i set where byte i of the 64 bytes at `at` is CR or LF
// (in carriageReturns: where it is CR). Inlined into each path's lister, compiled for its
// instructions.

#include "paths/LineListing.h"

#include <bit>
#include <cstdint>

namespace {

// The bytes are looked at 64 at a time wherever the lines fall, so that finding a line's end
// never waits for the line before it. A CR LF ends a line at its CR.
template <auto lineEndBits> size_t listLines(const char *base, size_t from, size_t end, bool atEnd, size_t keep,
                                             size_t most, size_t mostKept, LineSpans &lines)
{
    size_t count = 0, lineStart = from;
    uint64_t carriageReturnBefore = 0; // bit 0: the byte before the block is CR
    for (size_t block = from; block < end && block <= lineStart + 64; block += 64) {
        const uint64_t inBlock = end - block < 64 ? (uint64_t(1) << (end - block)) - 1 : ~uint64_t(0);
        uint64_t carriageReturns = 0;
        uint64_t lineEnds = lineEndBits(base + block, carriageReturns) & inBlock;
        carriageReturns &= inBlock;
        // An LF after a CR is part of its line end (another CR after one ends a line of its own).
        lineEnds &= ~(((carriageReturns << 1) | carriageReturnBefore) & ~carriageReturns);
        carriageReturnBefore = carriageReturns >> 63;
        for (; lineEnds; lineEnds &= lineEnds - 1) {
            const size_t at = size_t(std::countr_zero(lineEnds));
            const size_t lineEnd = block + at, bytes = lineEnd - lineStart;
            const bool carriageReturn = (carriageReturns >> at) & 1;
            size_t next = lineEnd + 1;
            if (carriageReturn && next == end && !atEnd) break; // LF may follow in the next read
            const size_t kept = keep > 0 && bytes > keep ? keep : bytes;
            if (bytes > 64 || kept > mostKept) break;
            if (carriageReturn && next < end && base[next] == '\n') ++next;
            lines.begins[count] = lineStart;
            lines.kept[count] = kept;
            lines.bytes[count] = bytes;
            lineStart = next;
            if (++count == most) break;
        }
        if (lineEnds) break; // stopped before a line it does not take
    }
    lines.base = base;
    lines.count = count;
    return lineStart;
}

// The first CR or LF in [from, to), or `to`, 64 bytes at a time.
template <auto lineEndBits> const char *findLineEnd(const char *from, const char *to)
{
    for (; from < to; from += 64) {
        uint64_t carriageReturns = 0;
        uint64_t found = lineEndBits(from, carriageReturns);
        if (to - from < 64) found &= (uint64_t(1) << (to - from)) - 1;
        if (found) return from + std::countr_zero(found);
    }
    return to;
}

} // namespace
