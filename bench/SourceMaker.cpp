#include "SourceMaker.h"

#include <fstream>
#include <stdexcept>

namespace {

// splitmix64: small, fast and the same on every platform.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    unsigned below(unsigned bound) { return unsigned(next() % bound); }

private:
    uint64_t state_;
};

class CharacterMix {
public:
    explicit CharacterMix(uint64_t seed) : random_(seed) {}

    // Appends one character of at most `bytesLeft` bytes; returns its length in bytes.
    int append(std::string &out, int bytesLeft)
    {
        const unsigned pick = random_.below(100);
        if (pick < 35 && bytesLeft >= 2) {             // kanji: lead 0x89-0x97 holds JIS rows 17-46, all assigned
            const unsigned trail = random_.below(188); // 0x40-0x7E, 0x80-0xFC
            out.push_back(char(0x89 + random_.below(0x97 - 0x89 + 1)));
            out.push_back(char(trail < 63 ? 0x40 + trail : 0x80 + (trail - 63)));
            return 2;
        }
        if (pick < 55) out.push_back(char(0xA1 + random_.below(0xDF - 0xA1 + 1))); // half-width kana
        else out.push_back(char(0x20 + random_.below(0x7E - 0x20 + 1)));           // printable ASCII
        return 1;
    }

private:
    Random random_;
};

} // namespace

unsigned long long writeSource(const std::string &path, const SourceShape &shape)
{
    std::ofstream sink(path, std::ios::binary);
    unsigned long long written = 0;
    CharacterMix mix(shape.seed);
    std::string record;
    for (long long r = 0; r < shape.records; ++r) {
        record.clear();
        for (const int width : shape.widths) {
            if (shape.unit == WidthUnit::Bytes) {
                for (int left = width; left > 0;) left -= mix.append(record, left);
            } else {
                for (int n = 0; n < width; ++n) mix.append(record, 2);
            }
        }
        record.append("\r\n");
        sink << record;
        written += record.size();
    }
    if (!sink.flush()) throw std::runtime_error("cannot write " + path);
    return written;
}
