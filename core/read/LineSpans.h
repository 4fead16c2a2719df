#pragma once
// Lines as the reader hands them out, many at a time: where each lies in the reader's buffer.

#include <cstddef>
#include <string_view>

struct LineSpans {
    static constexpr size_t Most = 256;
    // Bytes from any byte of a line on that may be read (past its end, they mean nothing), so that
    // a line is read in wide loads.
    static constexpr size_t ReadablePast = 64;
    const char *base = nullptr;
    size_t count = 0;
    size_t begins[Most]; // of each line, from base
    size_t kept[Most];   // its bytes handed out (see LineReader::keepAtMost)
    size_t bytes[Most];  // its whole length, its line end not counted

    std::string_view line(size_t i) const { return {base + begins[i], kept[i]}; }
};
