// A whole file mapped into memory for reading and writing in place. Changes
// go straight to the file (a shared mapping). Pages that are done with can be
// handed back, so a long pass over a large file keeps few pages resident.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

class FileHandle;

class MappedFile {
public:
    /// Maps the existing file at `path` read-write. An empty file maps to no
    /// bytes (Data() is null). Throws IoError when it cannot be opened or mapped.
    explicit MappedFile(const std::string& path);
    /// Maps the whole of an open file read-write (opened for reading and
    /// writing); `path` only names it in errors. The file may have no name
    /// any more. Throws IoError when it cannot be mapped.
    MappedFile(const FileHandle& file, const std::string& path);
    /// Unmaps; the file keeps every change made through Data().
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    char* Data() noexcept { return data_; }
    std::size_t Size() const noexcept { return size_; }

    /// Drops the whole pages inside [offset, offset + length) from this
    /// process's resident memory. Their contents stay in the file; touching
    /// them again reads them back. Only a hint: failures are ignored.
    void ReleasePages(std::size_t offset, std::size_t length) noexcept;
    /// The size of a memory page.
    static std::size_t PageSize() noexcept;

private:
    std::string path_;
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace platform
