// Helpers shared by the fuzz targets: a scratch folder of the process (in
// memory where the machine has /dev/shm), whole-file writes, and a small
// reader that takes typed values off the front of the fuzzer's input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace fuzz {

/// A folder of this process for the files a target writes, removed at a
/// normal exit. Made once, on first use, under TARVO_FUZZ_SCRATCH when set
/// (the scripts point it at a folder they remove, since a fuzzer stopped by
/// its time limit skips the exit handlers), else under /dev/shm.
inline const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder = [] {
        std::error_code ignored;
        const char* chosen = std::getenv("TARVO_FUZZ_SCRATCH");
        const std::filesystem::path shm = "/dev/shm";
        const auto base = chosen != nullptr && *chosen != '\0'          ? std::filesystem::path(chosen)
                          : std::filesystem::is_directory(shm, ignored) ? shm
                                                                        : std::filesystem::temp_directory_path();
        std::random_device seed;
        std::filesystem::path path;
        do {
            path = base / ("tarvo-fuzz-" + std::to_string(seed()));
        } while (!std::filesystem::create_directory(path));
        std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(ScratchFolder(), error);
        });
        return path;
    }();
    return folder;
}

/// Path of `name` in the scratch folder.
inline std::string ScratchPath(const std::string& name) { return (ScratchFolder() / name).string(); }

/// Writes `bytes` as the whole file at `path`.
inline void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// Reads the whole file at `path` (empty when it is missing).
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// Takes values off the front of the input; past its end every value is 0.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

    std::uint8_t Byte() {
        if (rest_.empty()) return 0;
        const auto value = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return value;
    }
    /// Up to `count` bytes.
    std::string_view Bytes(std::size_t count) {
        const std::string_view taken = rest_.substr(0, count);
        rest_.remove_prefix(taken.size());
        return taken;
    }
    /// The bytes up to the next `separator` (which is dropped), or all the rest.
    std::string_view Until(char separator) {
        const auto end = rest_.find(separator);
        const std::string_view taken = rest_.substr(0, end);
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        return taken;
    }
    std::string_view Rest() {
        const std::string_view taken = rest_;
        rest_ = {};
        return taken;
    }

private:
    std::string_view rest_;
};

/// Stops the run with a message when a property of the code under test fails:
/// libFuzzer then keeps the input as a crash.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz property failed: %s\n", what);
    std::abort();
}

}  // namespace fuzz
