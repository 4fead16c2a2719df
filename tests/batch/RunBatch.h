#pragma once
// Running kenaris-batch as a script does: real files, exit code, standard output and error.

#include "TempDir.h"

#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs kenaris-batch with `arguments`; `outputLimit` > 0 caps the size of files it writes.
// `input`, when given, is the file standard input reads.
inline Outcome runBatch(const TempDir &dir, const std::vector<std::string> &arguments, rlim_t outputLimit = 0,
                 const std::string &input = "/dev/null")
{
    const std::string outPath = dir.file("stdout.txt"), errPath = dir.file("stderr.txt");
    const pid_t child = fork();
    if (child == 0) {
        dup2(open(input.c_str(), O_RDONLY), STDIN_FILENO);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        const struct rlimit limit = {outputLimit, outputLimit};
        if (outputLimit > 0) setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<char *> argv{const_cast<char *>(KENARIS_BATCH)};
        for (const std::string &argument : arguments) argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        execv(KENARIS_BATCH, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    Outcome outcome;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.out = TempDir::read(outPath);
    outcome.err = TempDir::read(errPath);
    return outcome;
}

inline bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }
