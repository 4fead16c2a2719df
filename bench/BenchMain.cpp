#include "BenchMain.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>

void failUsage(const char *usage, const std::string &problem)
{
    std::fprintf(stderr, "%s: %s\n%s", program_invocation_short_name, problem.c_str(), usage);
    std::exit(2);
}

void readOptions(int argc, char **argv, const char *usage, const std::vector<NumberOption> &numbers,
                 const std::vector<std::pair<const char *, bool *>> &flags)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::printf("%s", usage);
            std::exit(0);
        }
        bool known = false;
        for (const auto &[name, set] : flags)
            if (option == name) known = *set = true;
        for (const NumberOption &number : numbers) {
            if (known || option != number.name) continue;
            if (++i == argc) failUsage(usage, option + " needs a value");
            char *end = nullptr;
            *number.value = std::strtoll(argv[i], &end, 10);
            if (*argv[i] == '\0' || *end != '\0' || *number.value < 1 || *number.value > number.max)
                failUsage(usage, option + " needs a whole number from 1 to " + std::to_string(number.max) + ", not \"" +
                                     argv[i] + "\"");
            known = true;
        }
        if (!known) failUsage(usage, "unknown option " + option);
    }
}

int runInScratchFolder(const std::function<int(const std::string &folder)> &benchmark)
{
    const char *program = program_invocation_short_name;
    std::string folder;
    try {
        std::string pattern = (std::filesystem::temp_directory_path() / "kenaris-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder " + pattern);
        folder = pattern;
        const int status = benchmark(folder);
        std::error_code ignored; // nothing to do about a folder that cannot be removed
        std::filesystem::remove_all(folder, ignored);
        return status;
    } catch (const std::exception &error) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: FAILED: %s\n", program, error.what());
        if (!folder.empty()) std::fprintf(stderr, "%s: the files are kept in %s\n", program, folder.c_str());
        return 1;
    }
}
