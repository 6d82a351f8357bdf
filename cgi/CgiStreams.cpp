// Request input with read-ahead, and response output (standard output
// gathered into large writes).
#include "cgi/CgiStreams.h"

#include <algorithm>
#include <cstring>

#include "platform/StandardStreams.h"

namespace cgi {
namespace {
constexpr std::size_t kReadAhead = 4096;
}

long long TCgiInput::ReadSource(void* buffer, std::size_t size) {
    if (fromFile_) return file_.IsOpen() ? file_.ReadSome(buffer, size) : -1;
    return platform::ReadStandardInput(buffer, size);
}

long long TCgiInput::Read(void* buffer, std::size_t size) {
    if (size == 0) return 0;
    if (aheadPos_ < ahead_.size()) {
        const std::size_t count = std::min(size, ahead_.size() - aheadPos_);
        std::memcpy(buffer, ahead_.data() + aheadPos_, count);
        aheadPos_ += count;
        return static_cast<long long>(count);
    }
    return ReadSource(buffer, size);
}

std::size_t TCgiInput::ReadFully(void* buffer, std::size_t size) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const long long count = Read(bytes + done, size - done);
        if (count <= 0) break;
        done += static_cast<std::size_t>(count);
    }
    return done;
}

int TCgiInput::ReadByte() {
    if (aheadPos_ >= ahead_.size()) {
        ahead_.resize(kReadAhead);
        const long long count = ReadSource(ahead_.data(), ahead_.size());
        ahead_.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
        aheadPos_ = 0;
        if (ahead_.empty()) return -1;
    }
    return static_cast<unsigned char>(ahead_[aheadPos_++]);
}

bool TCgiOutput::Write(const void* data, std::size_t size) {
    if (size == 0) return true;
    if (toFile_) return file_.IsOpen() && file_.WriteAll(data, size);
    return platform::BufferStandardOutput(data, size);
}

bool TCgiOutput::Flush() { return toFile_ || platform::FlushStandardOutput(); }

TCgiOutput::~TCgiOutput() { Flush(); }

}  // namespace cgi
