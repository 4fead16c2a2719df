#pragma once
// Takes values off the front of a fuzzer's input; the rest is left as raw bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class FuzzInput {
public:
    FuzzInput(const uint8_t *data, size_t size) : rest_(reinterpret_cast<const char *>(data), size) {}

    uint8_t byte()
    {
        if (rest_.empty()) return 0;
        const auto value = static_cast<uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return value;
    }

    // A short text of at most `limit` bytes, its length taken from the input.
    std::string text(size_t limit)
    {
        const size_t wanted = byte() % (limit + 1); // before measuring what is left: it takes a byte
        const size_t length = std::min(wanted, rest_.size());
        std::string value(rest_.substr(0, length));
        rest_.remove_prefix(length);
        return value;
    }

    std::string_view rest() const { return rest_; }

private:
    std::string_view rest_;
};
