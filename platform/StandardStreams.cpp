// POSIX implementation of the standard byte channels.
#include "platform/StandardStreams.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

bool WriteStandardOutput(const void* data, std::size_t size) noexcept {
    const char* bytes = static_cast<const char*>(data);
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

long long ReadStandardInput(void* buffer, std::size_t size) noexcept {
    ssize_t count;
    do {
        count = ::read(STDIN_FILENO, buffer, size);
    } while (count < 0 && errno == EINTR);
    return count;
}

}  // namespace platform
