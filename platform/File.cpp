// POSIX implementation of the file handle.
#include "platform/File.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

IoError::IoError(const std::string& operation, const std::string& path, int errorNumber)
    : std::runtime_error(operation + " " + path + ": " + std::strerror(errorNumber)), errorNumber_(errorNumber) {}

IoError::IoError(const std::string& message, int errorNumber)
    : std::runtime_error(message), errorNumber_(errorNumber) {}

FileHandle::~FileHandle() { Close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept : fd_(other.fd_), openError_(other.openError_) { other.fd_ = -1; }

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        openError_ = other.openError_;
        other.fd_ = -1;
    }
    return *this;
}

FileHandle FileHandle::Open(const std::string& path, Mode mode) noexcept {
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::Read: flags |= O_RDONLY; break;
        case Mode::ReadWrite: flags |= O_RDWR; break;
        case Mode::CreateTruncate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
        case Mode::Append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        FileHandle failed;
        failed.openError_ = errno;
        return failed;
    }
    // Only regular files are documents or index files; a folder opens on
    // Linux but cannot be read as one.
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        FileHandle failed;
        failed.openError_ = EISDIR;
        return failed;
    }
    return FileHandle(fd);
}

FileHandle FileHandle::Duplicate() const noexcept {
    FileHandle copy;
    if (fd_ < 0) {
        copy.openError_ = openError_;
        return copy;
    }
    const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        copy.openError_ = errno;
        return copy;
    }
    copy.fd_ = fd;
    return copy;
}

long long FileHandle::ReadSome(void* buffer, std::size_t size) noexcept {
    ssize_t n;
    do {
        n = ::read(fd_, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

long long FileHandle::ReadAt(void* buffer, std::size_t size, std::int64_t offset) noexcept {
    if (offset < 0) {
        errno = EINVAL;
        return -1;
    }
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < size) {
        const ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(done);
}

bool FileHandle::ReadExactAt(void* buffer, std::size_t size, std::int64_t offset) noexcept {
    return ReadAt(buffer, size, offset) == static_cast<long long>(size);
}

bool FileHandle::WriteAll(const void* data, std::size_t size) noexcept {
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, in, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        in += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool FileHandle::WriteAllAt(const void* data, std::size_t size, std::int64_t offset) noexcept {
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, in, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        in += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::int64_t FileHandle::Size() const noexcept {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

bool FileHandle::Identity(FileIdentity& identity) const noexcept {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) return false;
    constexpr std::int64_t kNsPerSecond = 1000000000;
    identity.device = static_cast<std::uint64_t>(info.st_dev);
    identity.inode = static_cast<std::uint64_t>(info.st_ino);
    identity.size = static_cast<std::int64_t>(info.st_size);
    identity.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * kNsPerSecond + info.st_mtim.tv_nsec;
    identity.changedNs = static_cast<std::int64_t>(info.st_ctim.tv_sec) * kNsPerSecond + info.st_ctim.tv_nsec;
    return true;
}

bool FileHandle::Truncate(std::int64_t size) noexcept { return ::ftruncate(fd_, static_cast<off_t>(size)) == 0; }

bool FileHandle::Sync() noexcept { return ::fsync(fd_) == 0; }

bool FileHandle::Close() noexcept {
    if (fd_ < 0) return true;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
}

bool FileExists(const std::string& path) noexcept {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DirectoryExists(const std::string& path) noexcept {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int RemoveFile(const std::string& path) noexcept {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return 0;
    return errno;
}

}  // namespace platform
