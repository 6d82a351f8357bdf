// A file descriptor as an object, and the one error type for failed file
// operations. The operations report failure by their result (never by an
// exception), so the search program can turn failures into status codes;
// the indexer turns them into IoError where it needs one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

/// A failed file operation: the message names the operation, the path and the
/// system's reason ("cannot open /srv/site/DataBase.dct: No such file or directory").
class IoError : public std::runtime_error {
public:
    IoError(const std::string& operation, const std::string& path, int errorNumber);
    IoError(const std::string& message, int errorNumber);
    /// The system error number (errno) behind the failure; 0 when there is none.
    int ErrorNumber() const noexcept { return errorNumber_; }

private:
    int errorNumber_;
};

/// What tells one file from another and a changed file from itself: the
/// device and inode, the size and the times of the last change of its bytes
/// and of its entry. A file replaced by a rename has another identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;  ///< last change of the bytes, in nanoseconds
    std::int64_t changedNs = 0;   ///< last change of the entry, in nanoseconds
    bool operator==(const FileIdentity&) const = default;
};

/// Owns one open file descriptor; closes it when destroyed. Movable, not copyable.
class FileHandle {
public:
    enum class Mode {
        Read,            ///< existing file, read only
        ReadWrite,       ///< existing file, read and write
        CreateTruncate,  ///< created when missing, emptied when present; read and write
        Append,          ///< created when missing; every write goes to the end
    };

    FileHandle() noexcept = default;
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    /// Opens a file. Never throws: check IsOpen(); OpenError() then holds errno.
    static FileHandle Open(const std::string& path, Mode mode) noexcept;

    /// A second handle on the same open file (it reads the same bytes, even
    /// after the file's name has been given to another file). A closed handle
    /// gives a closed handle with the same OpenError(); a failed duplication a
    /// closed handle whose OpenError() holds errno.
    FileHandle Duplicate() const noexcept;

    bool IsOpen() const noexcept { return fd_ >= 0; }
    /// errno of the failed Open; 0 after a successful one.
    int OpenError() const noexcept { return openError_; }
    /// The raw descriptor, for the platform layer's own use (mapping, locking).
    int Descriptor() const noexcept { return fd_; }

    /// Reads up to `size` bytes at the current position; returns the count, 0 at
    /// the end of the file, -1 on error (errno set).
    long long ReadSome(void* buffer, std::size_t size) noexcept;
    /// Reads exactly `size` bytes at `offset`; false on error or short file.
    bool ReadExactAt(void* buffer, std::size_t size, std::int64_t offset) noexcept;
    /// Reads up to `size` bytes at `offset`; returns the count or -1.
    long long ReadAt(void* buffer, std::size_t size, std::int64_t offset) noexcept;
    /// Writes all bytes at the current position (the end in Append mode).
    bool WriteAll(const void* data, std::size_t size) noexcept;
    /// Writes all bytes at `offset`.
    bool WriteAllAt(const void* data, std::size_t size, std::int64_t offset) noexcept;
    /// Size of the file in bytes, or -1 on error.
    std::int64_t Size() const noexcept;
    /// The open file's identity; false (and `identity` unchanged) on error.
    bool Identity(FileIdentity& identity) const noexcept;
    /// Cuts or extends the file to `size` bytes.
    bool Truncate(std::int64_t size) noexcept;
    /// Flushes the file's data to the disk.
    bool Sync() noexcept;
    /// Closes the descriptor now; false when the close reported an error.
    bool Close() noexcept;

private:
    explicit FileHandle(int fd) noexcept : fd_(fd) {}
    int fd_ = -1;
    int openError_ = 0;
};

/// True when the path names an existing regular file.
bool FileExists(const std::string& path) noexcept;
/// True when the path names an existing folder.
bool DirectoryExists(const std::string& path) noexcept;
/// Deletes a file; a missing file is no error. Returns errno, 0 on success.
int RemoveFile(const std::string& path) noexcept;

}  // namespace platform
