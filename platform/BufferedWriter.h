// A file written front to back through a memory buffer, so that many small
// records cost few system calls. Failures throw IoError with the path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/File.h"

namespace platform {

class BufferedWriter {
public:
    /// Opens `path` in `mode` (CreateTruncate or Append). Throws IoError when
    /// the file cannot be opened.
    BufferedWriter(std::string path, FileHandle::Mode mode, std::size_t bufferSize = 256 * 1024);
    /// Writes what is still buffered; errors there are lost, so call Close()
    /// to see them.
    ~BufferedWriter();
    BufferedWriter(const BufferedWriter&) = delete;
    BufferedWriter& operator=(const BufferedWriter&) = delete;

    /// Appends bytes; they reach the file when the buffer fills or on Flush/Close.
    void Write(std::string_view bytes);
    /// Writes the buffered bytes to the file. Throws IoError.
    void Flush();
    /// Flushes and closes the file. Throws IoError. Nothing may be written after.
    void Close();

    /// Bytes written so far, buffered ones included (not counting what the
    /// file held before an Append open).
    std::int64_t BytesWritten() const noexcept { return written_; }
    const std::string& Path() const noexcept { return path_; }

private:
    std::string path_;
    FileHandle file_;
    std::string buffer_;
    std::size_t capacity_;
    std::int64_t written_ = 0;
};

/// Appends `bytes` to the file at `path` (created when missing), then closes
/// it. Throws IoError.
void AppendToFile(const std::string& path, std::string_view bytes);

/// Creates or empties the file at `path` and writes `bytes` into it. Throws IoError.
void WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace platform
