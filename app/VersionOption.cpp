#include "VersionOption.h"

#include "KenarisVersion.h"

#include <cstdio>
#include <cstring>

bool printVersionIfAsked(int argc, char *argv[])
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kenaris %s\n", KenarisVersion);
            return true;
        }
    }
    return false;
}
