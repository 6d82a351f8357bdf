// Buffered front-to-back file writer.
#include "platform/BufferedWriter.h"

#include <cerrno>
#include <utility>

namespace platform {

BufferedWriter::BufferedWriter(std::string path, FileHandle::Mode mode, std::size_t bufferSize)
    : path_(std::move(path)), file_(FileHandle::Open(path_, mode)), capacity_(bufferSize) {
    if (!file_.IsOpen()) throw IoError("cannot open", path_, file_.OpenError());
    buffer_.reserve(capacity_);
}

BufferedWriter::~BufferedWriter() {
    if (file_.IsOpen() && !buffer_.empty()) file_.WriteAll(buffer_.data(), buffer_.size());
}

void BufferedWriter::Write(std::string_view bytes) {
    written_ += static_cast<std::int64_t>(bytes.size());
    if (buffer_.size() + bytes.size() > capacity_) {
        Flush();
        if (bytes.size() >= capacity_) {
            if (!file_.WriteAll(bytes.data(), bytes.size())) throw IoError("cannot write", path_, errno);
            return;
        }
    }
    buffer_.append(bytes);
}

void BufferedWriter::Flush() {
    if (buffer_.empty()) return;
    if (!file_.IsOpen()) throw IoError("cannot write", path_, EBADF);
    if (!file_.WriteAll(buffer_.data(), buffer_.size())) throw IoError("cannot write", path_, errno);
    buffer_.clear();
}

void BufferedWriter::Close() {
    Flush();
    if (file_.IsOpen() && !file_.Close()) throw IoError("cannot close", path_, errno);
}

void AppendToFile(const std::string& path, std::string_view bytes) {
    BufferedWriter writer(path, FileHandle::Mode::Append, 0);
    writer.Write(bytes);
    writer.Close();
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    BufferedWriter writer(path, FileHandle::Mode::CreateTruncate, 0);
    writer.Write(bytes);
    writer.Close();
}

}  // namespace platform
