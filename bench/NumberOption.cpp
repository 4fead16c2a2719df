#include "NumberOption.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

long long positiveNumber(const char *option, const char *text)
{
    char *end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (*text == '\0' || *end != '\0' || value < 1)
        throw std::invalid_argument(std::string(option) + " needs a whole number of at least 1, not \"" + text + "\"");
    return value;
}
