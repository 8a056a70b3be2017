#include "ConfigFiles.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace cport {

namespace {

std::string HomeDirectory() {
    const char *home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    std::vector<char> buf(16384);
    passwd pw{};
    passwd *found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/";
}

std::string DirectoryOf(const std::string &path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const std::string &content) {
    std::size_t off = 0;
    while (off < content.size()) {
        const ssize_t n = ::write(fd, content.data() + off, content.size() - off);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        off += static_cast<std::size_t>(n);
    }
    return true;
}

// The file a write to `path` should replace: the target of a symbolic link,
// so that a linked settings file stays linked.
std::string WriteTarget(const std::string &path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char *resolved = realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

// Whether a file that exists may be written. Write permission bits all
// cleared mean the user made the file read-only; that is honoured for root
// too, whom the mode bits alone do not stop.
bool MayWrite(const std::string &path, const struct stat &st) {
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// Rewrites a file where it stands, for a folder that takes no new files. A
// crash in the middle could leave half a file, so this is the fallback only;
// a write that fails puts the old content back.
int RewriteInPlace(const std::string &path, const std::string &content) {
    std::string old;
    if (ReadWholeFile(path, old) != TFileRead::Ok)
        return EACCES;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat st {};
    int error = 0;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        error = EINVAL;
    else if (!WriteAll(fd, content) || ftruncate(fd, static_cast<off_t>(content.size())) != 0 || fsync(fd) != 0)
        error = errno ? errno : EIO;
    if (error != 0 && error != EINVAL && lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, old))
        (void)!ftruncate(fd, static_cast<off_t>(old.size()));
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

} // namespace

std::string ConfigDirectory() {
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    const std::string home = HomeDirectory();
    return (home == "/" ? "" : home) + "/.config";
}

std::string PlaceInConfigDirectory(const std::string &fileName) {
    if (fileName.find('/') != std::string::npos)
        return fileName;
    return ConfigDirectory() + "/" + fileName;
}

bool EnsureDirectory(const std::string &path) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const std::string parent = DirectoryOf(path);
    if (parent != path && parent != "." && !EnsureDirectory(parent))
        return false;
    return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

TFileRead ReadWholeFile(const std::string &path, std::string &content) {
    content.clear();
    // Only regular files: a settings name must never make us open a device or a pipe.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? TFileRead::Missing : TFileRead::Failed;
    if (!S_ISREG(st.st_mode))
        return TFileRead::Failed;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return (errno == ENOENT || errno == ENOTDIR) ? TFileRead::Missing : TFileRead::Failed;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return TFileRead::Failed;
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            content.clear();
            return TFileRead::Failed;
        }
        content.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return TFileRead::Ok;
}

int ReplaceFileAtomically(const std::string &path, const std::string &content) {
    const std::string target = WriteTarget(path);
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    // The rename would replace a read-only file as easily as any other.
    if (exists && !MayWrite(target, old))
        return EACCES;
    const std::string dir = DirectoryOf(target);
    const std::size_t slash = target.rfind('/');
    std::string tmp = dir + "/." + target.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    const int fd = mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        // A folder that takes no new files still lets a writable file in
        // it be saved.
        if (exists && (e == EACCES || e == EPERM))
            return RewriteInPlace(target, content);
        return e;
    }
    const mode_t mode = exists ? (old.st_mode & 07777) : 0644;
    int error = 0;
    if (fchmod(fd, mode) != 0 || !WriteAll(fd, content) || fsync(fd) != 0)
        error = errno ? errno : EIO;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(tmp.c_str(), target.c_str()) != 0)
        error = errno;
    // The folder is not flushed after the rename: a crash may then bring
    // back the old file, but never half a file, and a save stays cheap.
    if (error != 0)
        unlink(tmp.c_str());
    return error;
}

} // namespace cport
