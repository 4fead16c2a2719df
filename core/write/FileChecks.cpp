#include "write/FileChecks.h"

#include "errors/CoreError.h"
#include "read/LineReader.h"
#include "read/StandardStream.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FileId {
    dev_t device;
    ino_t inode;
    bool operator==(const FileId &) const = default;
};

std::optional<FileId> namedFile(const std::string &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileId{info.st_dev, info.st_ino};
}

// The file behind a standard stream. A terminal or /dev/null is shared by everything and holds
// no data to lose, so it is no file to compare.
std::optional<FileId> streamFile(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISCHR(info.st_mode)) return std::nullopt;
    return FileId{info.st_dev, info.st_ino};
}

std::optional<FileId> sourceFile(const std::string &path)
{
    return isStandardStream(path) ? streamFile(STDIN_FILENO) : namedFile(path);
}

std::optional<FileId> outputFile(const std::string &path)
{
    return isStandardStream(path) ? streamFile(STDOUT_FILENO) : namedFile(path);
}

std::string realPath(const std::filesystem::path &path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// Where writing to `path` lands: links followed, also one that points to no file yet; a file not
// made yet by its folder's real path and its name.
std::string landing(const std::string &path)
{
    std::filesystem::path at = std::filesystem::absolute(path);
    char target[PATH_MAX];
    for (int hops = 0; hops < 40; ++hops) { // as many as the system follows
        const ssize_t length = ::readlink(at.c_str(), target, sizeof target);
        if (length <= 0 || size_t(length) >= sizeof target) break;
        at = at.parent_path() / std::filesystem::path(std::string(target, size_t(length)));
    }
    if (std::string real = realPath(at); !real.empty()) return real;
    if (std::string folder = realPath(at.parent_path()); !folder.empty())
        return (std::filesystem::path(folder) / at.filename()).string();
    return at.lexically_normal().string();
}

bool isReadOnlyFile(const std::string &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    // Marked read-only by its owner: refused also for the superuser, whom permissions let through.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS);
}

} // namespace

bool isSameFile(const std::string &a, const std::string &b)
{
    if (isStandardStream(a) || isStandardStream(b)) return false;
    const std::optional<FileId> first = namedFile(a), second = namedFile(b);
    return first && first == second;
}

bool isStandardOutput(const std::string &path)
{
    if (isStandardStream(path)) return true;
    const std::optional<FileId> stream = streamFile(STDOUT_FILENO);
    return stream && stream == namedFile(path);
}

void deleteOldOutput(const std::string &path)
{
    if (isStandardOutput(path)) return;
    struct stat name {
    }, target{};
    if (::lstat(path.c_str(), &name) != 0 || ::stat(path.c_str(), &target) != 0 || !S_ISREG(target.st_mode)) return;
    // Deleting a link would leave the file it points to as it was and put a new file in the
    // link's place: the output named through a link is the file the link points to.
    const int failed = S_ISLNK(name.st_mode) ? ::truncate(path.c_str(), 0) : ::unlink(path.c_str());
    if (failed != 0 && errno != ENOENT) throw CoreError::fileError(CoreError::Kind::FileDelete, path, errno);
}

void checkSourceReadable(const std::string &path)
{
    if (isStandardStream(path)) return;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) throw CoreError::fileError(CoreError::Kind::FileOpen, path, errno);
    if (S_ISDIR(info.st_mode)) throw CoreError::fileError(CoreError::Kind::FileOpen, path, EISDIR);
    if (S_ISREG(info.st_mode)) LineReader probe(path);
}

void checkOutput(const std::string &inputPath, const std::string &outputPath,
                 const std::vector<std::string> &definitionPaths)
{
    const std::optional<FileId> output = outputFile(outputPath);
    if (!output) return;
    if (output == sourceFile(inputPath)) throw CoreError::sameFile(outputPath);
    for (const std::string &definitionPath : definitionPaths)
        if (output == namedFile(definitionPath)) throw CoreError::outputIsDefinition(outputPath);
    if (!isStandardOutput(outputPath) && isReadOnlyFile(outputPath)) throw CoreError::outputReadOnly(outputPath);
}

void checkDistinctOutputs(const std::vector<std::string> &outputPaths)
{
    for (size_t later = 1; later < outputPaths.size(); ++later)
        for (size_t earlier = 0; earlier < later; ++earlier) {
            const std::string &a = outputPaths[earlier], &b = outputPaths[later];
            const std::optional<FileId> first = outputFile(a);
            const bool standard = isStandardOutput(a), bothStandard = standard && isStandardOutput(b);
            const bool oneFile =
                (first && first == outputFile(b)) || (!standard && !isStandardStream(b) && landing(a) == landing(b));
            if (bothStandard || oneFile) throw CoreError::sameOutput(b);
        }
}

std::vector<OutputLock> claimOutputs(const std::vector<std::string> &outputPaths)
{
    std::vector<OutputLock> locks;
    for (const std::string &path : outputPaths)
        locks.push_back(isStandardOutput(path) ? OutputLock() : OutputLock::onExisting(path));
    for (size_t index = 0; index < outputPaths.size(); ++index) {
        if (isStandardOutput(outputPaths[index])) continue;
        deleteOldOutput(outputPaths[index]);
        locks[index].holdNew(outputPaths[index]);
    }
    return locks;
}

OutputLock prepareOutput(const std::string &inputPath, const std::string &outputPath,
                         const std::vector<std::string> &definitionPaths)
{
    checkOutput(inputPath, outputPath, definitionPaths);
    return std::move(claimOutputs({outputPath}).front());
}
