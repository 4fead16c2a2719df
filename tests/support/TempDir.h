#pragma once
// A scratch folder for one test, removed with everything in it afterwards. Qt-free; the window
// tests hold it as a ScratchFolder.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kenaris-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir()
    {
        std::error_code ignored; // a folder a test left locked must not end the run
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    std::string file(const std::string &name) const { return (path_ / name).string(); }

    std::string write(const std::string &name, const std::string &bytes) const
    {
        std::ofstream out(file(name), std::ios::binary);
        if (!(out << bytes).flush()) throw std::runtime_error("cannot write " + file(name));
        return file(name);
    }

    static std::string read(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path path_;
};
