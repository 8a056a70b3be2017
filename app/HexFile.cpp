#include "HexFile.h"

#include "cport/posix/ErrnoTable.h"
#include "framework/Exception.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace app {

namespace {

// errno values in the numbering of the runtime's file errors.
int RuntimeErrorCode(int errnoValue) {
    switch (errnoValue) {
    case ENOENT:
        return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
        return 3;
    case EMFILE:
    case ENFILE:
        return 4;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        return 5;
    default:
        return cport::posix::WinErrorFromErrno(errnoValue);
    }
}

} // namespace

void RaiseFileError(int errnoValue) {
    const int code = RuntimeErrorCode(errnoValue);
    switch (code) {
    case 2:
        throw fw::EInOutError("File not found", code);
    case 3:
        throw fw::EInOutError("Invalid filename", code);
    case 4:
        throw fw::EInOutError("Too many open files", code);
    case 5:
        throw fw::EInOutError("File access denied", code);
    default:
        throw fw::EInOutError("I/O error " + std::to_string(code), code);
    }
}

THexFile::THexFile(const std::string &path) {
    if (path.empty())
        RaiseFileError(ENOENT);
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        RaiseFileError(errno);
    // A folder opens for reading here but is no file to send.
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
        Close();
        RaiseFileError(EISDIR);
    }
}

THexFile::~THexFile() { Close(); }

void THexFile::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool THexFile::Fill() {
    if (atEnd_ || fd_ < 0)
        return false;
    while (true) {
        const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
        if (n > 0) {
            pos_ = 0;
            filled_ = static_cast<std::size_t>(n);
            return true;
        }
        if (n == 0) {
            atEnd_ = true;
            return false;
        }
        if (errno != EINTR)
            RaiseFileError(errno);
    }
}

void THexFile::Rewind() {
    if (::lseek(fd_, 0, SEEK_SET) < 0)
        RaiseFileError(errno);
    atEnd_ = false;
    pos_ = filled_ = 0;
}

std::int64_t THexFile::CountBytes() {
    Rewind();
    std::int64_t count = 0;
    char byte;
    while (ReadByte(byte))
        ++count;
    return count;
}

} // namespace app
