// The byte channels of a CGI request: the input (standard input or a relayed
// request file) with a small read-ahead buffer, and the output (standard
// output, gathered into large writes, a relay answer file or a Windows CGI
// output file).
#pragma once

#include <cstddef>
#include <string>

#include "platform/File.h"

namespace cgi {

/// Request input. Reads through a read-ahead buffer, so byte-wise reading of
/// a relayed environment block is cheap and the body after it stays readable.
class TCgiInput {
public:
    /// Standard input.
    TCgiInput() = default;
    /// An open file (a relayed request file).
    explicit TCgiInput(platform::FileHandle file) noexcept : file_(std::move(file)), fromFile_(true) {}

    /// Reads up to `size` bytes; returns the count (0 at the end, -1 on error).
    long long Read(void* buffer, std::size_t size);
    /// Reads exactly `size` bytes unless the input ends first; returns the count read.
    std::size_t ReadFully(void* buffer, std::size_t size);
    /// The next byte (0..255), or -1 at the end of the input.
    int ReadByte();

private:
    long long ReadSource(void* buffer, std::size_t size);
    platform::FileHandle file_;
    bool fromFile_ = false;
    std::string ahead_;
    std::size_t aheadPos_ = 0;
};

/// Response output. A file is written at once. Standard output is gathered
/// into blocks of platform::kStandardOutputBlock bytes, so a page of many
/// lines costs a few writes; Flush, the destructor and the end of the process
/// (TerminateCgi) write out the rest, so the response is always complete.
class TCgiOutput {
public:
    /// Standard output.
    TCgiOutput() = default;
    /// An open file (a relay answer file or a Windows CGI output file).
    explicit TCgiOutput(platform::FileHandle file) noexcept : file_(std::move(file)), toFile_(true) {}
    ~TCgiOutput();
    TCgiOutput(const TCgiOutput&) = delete;
    TCgiOutput& operator=(const TCgiOutput&) = delete;

    /// Writes all bytes (standard output: gathers them); false on a write error.
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    /// Writes out what standard output has gathered; false on a write error.
    bool Flush();

private:
    platform::FileHandle file_;
    bool toFile_ = false;
};

}  // namespace cgi
