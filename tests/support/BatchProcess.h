#pragma once
// Runs kenaris-batch as a script does, as a real process on real files: its exit code, standard
// output and error, and its peak memory. It runs in the scratch folder, with given standard streams
// and environment, maybe as an unprivileged user (when the tests run as root), under a file-size
// limit, and with something done by the test while it runs. KENARIS_BATCH is the program's path.

#include "TempDir.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

struct BatchOutcome {
    int exitCode = -1; // 128 + signal number when a signal ended it
    std::string out;
    std::string err;
    long peakMemoryKiB = 0;
    // Why the run could not be set up as asked; the test cannot prove anything then.
    std::string setupProblem;
};

struct BatchOptions {
    rlim_t fileSizeLimit = 0;                     // bytes; 0 for none
    bool unprivileged = false;                    // run as user and group 65534 when the tests run as root
    std::function<void(pid_t)> whileRunning = {}; // runs after the start; the process is waited for afterwards
    std::string input = "/dev/null";              // the file standard input reads
    std::string output = {};                      // the file standard output writes; "" for one of its own
    bool appendOutput = false;                    // `>> output` rather than `> output`
    bool outputReaderGone = false;                // standard output is a pipe whose reader has closed it
    std::vector<std::string> environment = {};    // NAME=value added for the run
};

// The user that an unprivileged run becomes when the tests run as root.
inline constexpr uid_t NobodyId = 65534;

// Exit codes of the child when it cannot become what was asked.
inline constexpr int SetupFailed = 125;
inline constexpr int ExecFailed = 127;

inline BatchOutcome runBatch(const TempDir &dir, const std::vector<std::string> &arguments,
                             const BatchOptions &options = {})
{
    const std::string outPath = options.output.empty() ? dir.file("stdout.txt") : options.output;
    const std::string errPath = dir.file("stderr.txt");
    const pid_t child = ::fork();
    if (child == 0) {
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | (options.appendOutput ? O_APPEND : O_TRUNC), 0666);
        if (options.outputReaderGone) {
            int ends[2];
            if (::pipe(ends) == 0) {
                ::close(ends[0]);
                out = ends[1];
            }
        }
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        const auto fail = [](const char *step, int code) {
            const std::string text = std::string("test setup: ") + step + ": " + std::strerror(errno) + "\n";
            (void)!::write(STDERR_FILENO, text.data(), text.size());
            ::_exit(code);
        };
        const int in = ::open(options.input.c_str(), O_RDONLY);
        if (in < 0 || ::dup2(in, STDIN_FILENO) < 0) fail("cannot open the standard input", SetupFailed);
        if (::chdir(dir.file("").c_str()) != 0) fail("cannot enter the scratch folder", SetupFailed);
        for (const std::string &setting : options.environment) ::putenv(const_cast<char *>(setting.c_str()));
        if (options.fileSizeLimit > 0) {
            const struct rlimit limit = {options.fileSizeLimit, options.fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) fail("setrlimit", SetupFailed);
        }
        if (options.unprivileged && ::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setresgid(NobodyId, NobodyId, NobodyId) != 0 ||
                ::setresuid(NobodyId, NobodyId, NobodyId) != 0)
                fail("cannot become user 65534", SetupFailed);
        }
        std::vector<char *> argv{const_cast<char *>(KENARIS_BATCH)};
        for (const std::string &argument : arguments) argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(KENARIS_BATCH, argv.data());
        fail("cannot start " KENARIS_BATCH, ExecFailed);
    }
    if (options.whileRunning) options.whileRunning(child);
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    BatchOutcome outcome;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.out = options.outputReaderGone ? std::string() : TempDir::read(outPath);
    outcome.err = TempDir::read(errPath);
    outcome.peakMemoryKiB = usage.ru_maxrss;
    if ((outcome.exitCode == SetupFailed || outcome.exitCode == ExecFailed) &&
        outcome.err.rfind("test setup: ", 0) == 0)
        outcome.setupProblem = outcome.err;
    return outcome;
}

inline bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// Lets user 65534 into the scratch folder and read the files the test gives it.
inline void openToEveryone(const std::string &path, bool folder) { ::chmod(path.c_str(), folder ? 0755 : 0644); }
