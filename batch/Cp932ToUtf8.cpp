#include "Cp932ToUtf8.h"

#include <cerrno>
#include <iconv.h>

namespace {
constexpr std::string_view ReplacementCharacter = "\xEF\xBF\xBD";
}

std::string cp932ToUtf8(std::string_view bytes)
{
    std::string out;
    const iconv_t converter = ::iconv_open("UTF-8", "CP932");
    if (converter == iconv_t(-1)) { // no converter installed: keep ASCII, mark the rest
        for (const char c : bytes)
            if (static_cast<unsigned char>(c) < 0x80) out.push_back(c);
            else out.append(ReplacementCharacter);
        return out;
    }
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = bytes.size();
    char chunk[256];
    while (inLeft > 0) {
        char *put = chunk;
        size_t room = sizeof chunk;
        const size_t result = ::iconv(converter, &in, &inLeft, &put, &room);
        out.append(chunk, size_t(put - chunk));
        if (result == size_t(-1) && errno != E2BIG) { // EILSEQ or EINVAL: a byte that does not decode
            out.append(ReplacementCharacter);
            ++in;
            --inLeft;
            ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    ::iconv_close(converter);
    return out;
}
