// POSIX implementation of the standard byte channels, with the gathered
// block of standard output.
#include "platform/StandardStreams.h"

#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace platform {
namespace {

bool WriteAllToStandardOutput(const char* bytes, std::size_t size) noexcept {
    while (size > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

/// The gathered standard output of the process. The block lies in static
/// storage and needs no destruction, so output gathered by any code that runs
/// while the process ends is still accepted; an exit handler, registered with
/// the first gathered bytes, writes out what is left on a return from main.
class OutputBlock {
public:
    bool Append(const char* bytes, std::size_t size) noexcept {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!exitHandlerRegistered_) {
            exitHandlerRegistered_ = true;
            std::atexit(FlushAtExit);
        }
        bool ok = true;
        if (used_ + size > kStandardOutputBlock) ok = FlushLocked();
        if (size >= kStandardOutputBlock) return WriteAllToStandardOutput(bytes, size) && ok;
        std::memcpy(block_ + used_, bytes, size);
        used_ += size;
        return ok;
    }

    /// Writes `bytes` straight out, after what is gathered.
    bool WriteThrough(const char* bytes, std::size_t size) noexcept {
        std::lock_guard<std::mutex> guard(mutex_);
        const bool ok = FlushLocked();
        return WriteAllToStandardOutput(bytes, size) && ok;
    }

    bool Flush() noexcept {
        std::lock_guard<std::mutex> guard(mutex_);
        return FlushLocked();
    }

private:
    static void FlushAtExit() noexcept;

    bool FlushLocked() noexcept {
        const std::size_t count = used_;
        used_ = 0;
        return count == 0 || WriteAllToStandardOutput(block_, count);
    }

    std::mutex mutex_;
    bool exitHandlerRegistered_ = false;
    std::size_t used_ = 0;
    char block_[kStandardOutputBlock]{};
};

constinit OutputBlock g_standardOutput;

void OutputBlock::FlushAtExit() noexcept { g_standardOutput.Flush(); }

OutputBlock& StandardOutputBlock() noexcept { return g_standardOutput; }

}  // namespace

bool WriteStandardOutput(const void* data, std::size_t size) noexcept {
    return StandardOutputBlock().WriteThrough(static_cast<const char*>(data), size);
}

bool BufferStandardOutput(const void* data, std::size_t size) noexcept {
    if (size == 0) return true;
    return StandardOutputBlock().Append(static_cast<const char*>(data), size);
}

bool FlushStandardOutput() noexcept { return StandardOutputBlock().Flush(); }

long long ReadStandardInput(void* buffer, std::size_t size) noexcept {
    ssize_t count;
    do {
        count = ::read(STDIN_FILENO, buffer, size);
    } while (count < 0 && errno == EINTR);
    return count;
}

}  // namespace platform
