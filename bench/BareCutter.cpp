#include "BareCutter.h"

#include "cp932/Cp932Codec.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <memory>
#include <stdexcept>
#include <unistd.h>

bool bareCutterRuns()
{
#if defined(__x86_64__) && defined(__GNUC__)
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2");
#else
    return false;
#endif
}

#if defined(__x86_64__) && defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2,bmi,bmi2,popcnt")
#include <immintrin.h>

namespace {

constexpr size_t Chunk = 1 << 20;

[[noreturn]] void fail(const std::string &what, const std::string &path)
{
    throw std::runtime_error("the bare cutter: " + what + " " + path + ": " + std::strerror(errno));
}

uint64_t bitsOf(__m256i low, __m256i high)
{
    return uint32_t(_mm256_movemask_epi8(low)) | uint64_t(uint32_t(_mm256_movemask_epi8(high))) << 32;
}

// 0x81..0x9F and 0xE0..0xFC, moved to 0xA1..0xDC by flipping bit 5.
__m256i leadBytes(__m256i bytes)
{
    const __m256i flipped = _mm256_add_epi8(_mm256_xor_si256(bytes, _mm256_set1_epi8(0x20)), _mm256_set1_epi8(-0x21));
    return _mm256_cmpgt_epi8(_mm256_set1_epi8(char(0xDC - 0xA1 - 0x7F)), flipped);
}

// A run of lead bytes alternates lead and trail from its first byte.
uint64_t pairStarts(uint64_t lead)
{
    constexpr uint64_t even = 0x5555555555555555ULL;
    const uint64_t firsts = lead & ~(lead << 1);
    const uint64_t evenRuns = lead & ~(lead + (firsts & even));
    return (evenRuns & even) | (lead & ~evenRuns & ~even);
}

// The output in two buffers of 1 MiB: one filled while the other is written on a thread of its
// own. `lineRoom`: the most a line may write past its end.
class Output {
public:
    Output(const std::string &path, size_t lineRoom)
        : path_(path), fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666))
    {
        if (fd_ < 0) fail("cannot open", path);
        for (auto &buffer : buffers_) buffer.resize(Chunk + lineRoom);
    }
    ~Output() { ::close(fd_); }
    char *at() { return buffers_[filling_].data() + used_; }
    void advance(char *to)
    {
        used_ = size_t(to - buffers_[filling_].data());
        if (used_ >= Chunk) handOff();
    }
    void finish()
    {
        handOff();
        if (writing_.valid()) writing_.get();
    }

private:
    void handOff()
    {
        if (writing_.valid()) writing_.get();
        writing_ = std::async(std::launch::async, [this, buffer = filling_, size = used_] {
            if (::write(fd_, buffers_[buffer].data(), size) != ssize_t(size)) fail("cannot write", path_);
        });
        filling_ ^= 1;
        used_ = 0;
    }
    std::string path_;
    int fd_;
    std::vector<char> buffers_[2];
    size_t filling_ = 0, used_ = 0;
    std::future<void> writing_;
};

// Calls `cut(line, size)` for each CR LF line of `source` of at most `longest` bytes (its size
// less CR LF); 128 bytes from each line's start may be read.
template <class Cut> void forEachLine(const std::string &source, size_t longest, Cut cut)
{
    const int input = ::open(source.c_str(), O_RDONLY);
    if (input < 0) fail("cannot open", source);
    // The last read leaves up to a line and its CR LF.
    std::vector<char> buffer(Chunk + longest + 256);
    // Every byte held may end a line (the lines are checked once listed).
    const std::unique_ptr<uint32_t[]> lineEnds(new uint32_t[buffer.size()]);
    size_t held = 0;
    for (;;) {
        const ssize_t got = ::read(input, buffer.data() + held, Chunk);
        if (got < 0) fail("cannot read", source);
        if (got == 0) break;
        held += size_t(got);
        size_t ends = 0;
        for (size_t block = 0; block < held; block += 64) {
            const __m256i lf = _mm256_set1_epi8('\n');
            const char *bytes = buffer.data() + block;
            uint64_t found =
                bitsOf(_mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes)), lf),
                       _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes + 32)), lf));
            found = _bzhi_u64(found, unsigned(std::min<size_t>(64, held - block)));
            for (; found; found = _blsr_u64(found)) lineEnds[ends++] = uint32_t(block + _tzcnt_u64(found));
        }
        size_t start = 0;
        for (size_t i = 0; i < ends; start = lineEnds[i++] + 1) {
            const char *line = buffer.data() + start;
            const size_t size = lineEnds[i] - start - 1; // less CR LF
            if (size > longest || line[size] != '\r')
                throw std::runtime_error("the bare cutter met a line it does not cut");
            cut(line, size);
        }
        if (held - start > longest + 2) throw std::runtime_error("the bare cutter met a line it does not cut");
        std::memmove(buffer.data(), buffer.data() + start, held - start);
        held -= start;
    }
    ::close(input);
    if (held > 0) throw std::runtime_error("the bare cutter met a last line without CR LF");
}

// Lines of at most 64 bytes and at most 15 fields: a line is one block.
void cutShortLines(const BareLayout &layout, const std::string &source, const std::string &output)
{
    const size_t fields = layout.widths.size();
    uint64_t boundaryMarks = 1; // bit b for each boundary b (characters or bytes), 0 first
    uint8_t fixedPlaces[16] = {0};
    for (size_t i = 0, at = 0; i < fields; ++i) {
        at += size_t(layout.widths[i]);
        boundaryMarks |= uint64_t(1) << at;
        fixedPlaces[i + 1] = uint8_t(at);
    }
    const uint32_t *const cells = cp932::Utf8Cell::byTwoBytes();
    Output out(output, 4096);
    forEachLine(source, 64, [&](const char *line, size_t size) {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(line));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(line + 32));
        const uint64_t inLine = _bzhi_u64(~uint64_t(0), unsigned(size));
        const uint64_t pairs = pairStarts(bitsOf(leadBytes(low), leadBytes(high)) & inLine);
        const uint64_t starts = ~(pairs << 1) & inLine;
        uint8_t places[16];
        if (layout.characters) {
            uint64_t marked = _pdep_u64(boundaryMarks, starts | uint64_t(1) << size);
            for (size_t b = 0; b <= fields; ++b, marked = _blsr_u64(marked))
                places[b] = marked ? uint8_t(_tzcnt_u64(marked)) : uint8_t(size);
        } else {
            for (size_t b = 0; b <= fields; ++b) places[b] = std::min(fixedPlaces[b], uint8_t(size));
        }
        const uint64_t high8 = bitsOf(low, high);
        char *to = out.at();
        for (const int field : layout.outputOrder) {
            const size_t from = places[field - 1], length = size_t(places[field] - from);
            if (!layout.utf8 || !_bzhi_u64(high8 >> from, unsigned(length))) {
                _mm256_storeu_si256(reinterpret_cast<__m256i *>(to),
                                    _mm256_loadu_si256(reinterpret_cast<const __m256i *>(line + from)));
                if (length > 32)
                    _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + 32),
                                        _mm256_loadu_si256(reinterpret_cast<const __m256i *>(line + from + 32)));
                to += length;
            } else {
                for (uint64_t left = _bzhi_u64(starts >> from, unsigned(length)); left; left = _blsr_u64(left)) {
                    const unsigned at = unsigned(from + _tzcnt_u64(left));
                    uint16_t two;
                    std::memcpy(&two, line + at, 2);
                    const uint32_t cell = cells[_bzhi_u32(two, 8 + 8 * unsigned(pairs >> at & 1))];
                    std::memcpy(to, &cell, 4);
                    to += cp932::Utf8Cell::length(cell);
                }
            }
            *to++ = ',';
        }
        to[-1] = '\r';
        *to++ = '\n';
        out.advance(to);
    });
    out.finish();
}

// Lines of up to 64 KiB, without UTF-8: 64 bytes at a time, a pair carried from block to block,
// the boundaries marked a bit for each unit and deposited onto the block's starts.
void cutLongLines(const BareLayout &layout, const std::string &source, const std::string &output)
{
    constexpr size_t Longest = 1 << 16;
    const size_t fields = layout.widths.size();
    std::vector<size_t> fixedPlaces(fields + 1);
    for (size_t i = 0; i < fields; ++i) fixedPlaces[i + 1] = fixedPlaces[i] + size_t(layout.widths[i]);
    std::vector<uint64_t> marks(fixedPlaces.back() / 64 + 2); // a last word of none
    for (const size_t place : fixedPlaces) marks[place / 64] |= uint64_t(1) << (place % 64);
    std::vector<size_t> places(fields + 1);
    size_t lineRoom = 64; // each column at most two bytes a unit, its delimiter, a last move
    for (const int field : layout.outputOrder) lineRoom += 2 * size_t(layout.widths[size_t(field) - 1]) + 1;
    Output out(output, lineRoom);
    forEachLine(source, Longest, [&](const char *line, size_t size) {
        size_t found = 0;
        if (layout.characters) {
            uint64_t secondByte = 0; // whether the block's first byte ends the last block's pair
            for (size_t block = 0, before = 0; block < size && found <= fields; block += 64) {
                const char *bytes = line + block;
                const uint64_t inLine = _bzhi_u64(~uint64_t(0), unsigned(std::min<size_t>(64, size - block)));
                const uint64_t lead =
                    bitsOf(leadBytes(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes))),
                           leadBytes(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes + 32)))) &
                    inLine & ~secondByte;
                const uint64_t pairs = pairStarts(lead);
                const uint64_t starts = ~(pairs << 1 | secondByte) & inLine;
                secondByte = pairs >> 63;
                const size_t word = before / 64, shift = before % 64;
                if (word + 1 < marks.size()) {
                    const uint64_t window = marks[word] >> shift | (marks[word + 1] << 1) << (63 - shift);
                    for (uint64_t marked = _pdep_u64(window, starts); marked; marked = _blsr_u64(marked))
                        places[found++] = block + _tzcnt_u64(marked);
                }
                before += size_t(std::popcount(starts));
            }
        } else {
            for (; found <= fields; ++found) places[found] = std::min(fixedPlaces[found], size);
        }
        for (; found <= fields; ++found) places[found] = size;
        char *to = out.at();
        for (const int field : layout.outputOrder) {
            const size_t from = places[size_t(field) - 1], length = places[size_t(field)] - from;
            for (size_t done = 0; done < length; done += 32)
                _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + done),
                                    _mm256_loadu_si256(reinterpret_cast<const __m256i *>(line + from + done)));
            to += length;
            *to++ = ',';
        }
        to[-1] = '\r';
        *to++ = '\n';
        out.advance(to);
    });
    out.finish();
}

} // namespace

void cutBare(const BareLayout &layout, const std::string &source, const std::string &output)
{
    size_t total = 0;
    for (const int width : layout.widths) {
        if (width < 1) throw std::runtime_error("the bare cutter takes widths of at least 1");
        total += size_t(width);
    }
    if (layout.widths.size() <= 15 && total < 64) return cutShortLines(layout, source, output);
    if (layout.utf8) throw std::runtime_error("the bare cutter makes UTF-8 of lines of at most 64 bytes only");
    cutLongLines(layout, source, output);
}

#pragma GCC pop_options
#else
void cutBare(const BareLayout &, const std::string &, const std::string &)
{
    throw std::runtime_error("the bare cutter needs x86-64 with AVX2 and BMI2");
}
#endif
