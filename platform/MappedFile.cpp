// POSIX memory mapping of a whole file.
#include "platform/MappedFile.h"

#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/File.h"

namespace platform {

MappedFile::MappedFile(const std::string& path)
    : MappedFile(FileHandle::Open(path, FileHandle::Mode::ReadWrite), path) {}

MappedFile::MappedFile(const FileHandle& file, const std::string& path) : path_(path) {
    if (!file.IsOpen()) throw IoError("cannot open", path, file.OpenError());
    const std::int64_t size = file.Size();
    if (size < 0) throw IoError("cannot read the size of", path, errno);
    size_ = static_cast<std::size_t>(size);
    if (size_ == 0) return;
    void* view = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, file.Descriptor(), 0);
    if (view == MAP_FAILED) throw IoError("cannot map", path, errno);
    data_ = static_cast<char*>(view);
}

MappedFile::~MappedFile() {
    if (data_ != nullptr) ::munmap(data_, size_);
}

void MappedFile::ReleasePages(std::size_t offset, std::size_t length) noexcept {
    if (data_ == nullptr || offset >= size_) return;
    const std::size_t page = PageSize();
    std::size_t end = offset + length;
    if (end > size_) end = size_;
    const std::size_t first = (offset + page - 1) / page * page;
    const std::size_t last = end / page * page;
    if (last <= first) return;
    ::madvise(data_ + first, last - first, MADV_DONTNEED);
}

std::size_t MappedFile::PageSize() noexcept {
    static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

}  // namespace platform
