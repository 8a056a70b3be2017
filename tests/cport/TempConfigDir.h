#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

namespace testsupport {

// A temporary folder that stands in for the user's configuration folder
// (XDG_CONFIG_HOME points at it) for the lifetime of the object.
class TempConfigDir {
  public:
    TempConfigDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "cport-cfg-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        if (const char *old = std::getenv("XDG_CONFIG_HOME")) {
            hadOld_ = true;
            old_ = old;
        }
        setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    }
    ~TempConfigDir() {
        if (hadOld_)
            setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    TempConfigDir(const TempConfigDir &) = delete;
    TempConfigDir &operator=(const TempConfigDir &) = delete;

    const std::string &Dir() const { return dir_; }
    std::string Path(const std::string &name) const { return dir_ + "/" + name; }

    static std::string Read(const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Write(const std::string &path, const std::string &content) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }
    static ino_t Inode(const std::string &path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }
    // Names in the folder, to see that no temporary file was left behind.
    std::size_t EntryCount() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir_))
            ++n;
        return n;
    }

  private:
    std::string dir_;
    std::string old_;
    bool hadOld_ = false;
};

} // namespace testsupport
