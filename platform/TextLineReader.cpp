// Buffered line reader: one read call per 64 KB, not per byte or line.
#include "platform/TextLineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {

namespace {
constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr char kEndOfFileMark = 26;
}  // namespace

TextLineReader::TextLineReader(const std::string& path, LoneLineFeed lineFeed)
    : path_(path),
      file_(FileHandle::Open(path, FileHandle::Mode::Read)),
      lineFeedEndsLine_(lineFeed == LoneLineFeed::EndsLine) {
    if (!file_.IsOpen()) throw IoError("cannot open", path, file_.OpenError());
    buffer_.resize(kChunkSize);
}

TextLineReader TextLineReader::FromBytes(std::string_view bytes, LoneLineFeed lineFeed) {
    TextLineReader reader;
    reader.lineFeedEndsLine_ = lineFeed == LoneLineFeed::EndsLine;
    reader.buffer_.assign(bytes.begin(), bytes.end());
    reader.end_ = bytes.size();
    reader.sourceDone_ = true;
    return reader;
}

bool TextLineReader::Fill() {
    if (sourceDone_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (buffer_.size() - end_ < kChunkSize / 2) buffer_.resize(buffer_.size() * 2);
    const long long n = file_.ReadSome(buffer_.data() + end_, buffer_.size() - end_);
    if (n < 0) throw IoError("cannot read", path_, errno);
    if (n == 0) {
        sourceDone_ = true;
        file_.Close();
        return false;
    }
    end_ += static_cast<std::size_t>(n);
    return true;
}

void TextLineReader::SkipPendingLineFeed() {
    if (!pendingLineFeed_) return;
    if (begin_ == end_ && !Fill()) {
        pendingLineFeed_ = false;
        return;
    }
    pendingLineFeed_ = false;
    if (buffer_[begin_] == kLineFeed) ++begin_;
}

bool TextLineReader::ReadLine(std::string_view& line) {
    if (finished_) return false;
    SkipPendingLineFeed();
    scanned_ = 0;
    for (;;) {
        const char* start = buffer_.data() + begin_;
        const std::size_t available = end_ - begin_;
        const char* from = start + scanned_;
        const std::size_t toScan = available - scanned_;
        // memchr must not see the null data of an empty in-memory text.
        const auto* cr = toScan > 0 ? static_cast<const char*>(std::memchr(from, kCarriageReturn, toScan)) : nullptr;
        std::size_t limit = cr ? static_cast<std::size_t>(cr - from) : toScan;
        // Only an LF before the first CR can be a lone one: an LF right after
        // a CR belongs to that CR's break.
        const auto* lf =
            lineFeedEndsLine_ && limit > 0 ? static_cast<const char*>(std::memchr(from, kLineFeed, limit)) : nullptr;
        if (lf) limit = static_cast<std::size_t>(lf - from);
        const auto* eof = limit > 0 ? static_cast<const char*>(std::memchr(from, kEndOfFileMark, limit)) : nullptr;
        if (eof) {
            finished_ = true;
            const std::size_t length = static_cast<std::size_t>(eof - start);
            if (length == 0) return false;
            line = std::string_view(start, length);
            return true;
        }
        if (lf) {
            const std::size_t length = static_cast<std::size_t>(lf - start);
            line = std::string_view(start, length);
            begin_ += length + 1;
            return true;
        }
        if (cr) {
            const std::size_t length = static_cast<std::size_t>(cr - start);
            line = std::string_view(start, length);
            begin_ += length + 1;
            if (begin_ < end_) {
                if (buffer_[begin_] == kLineFeed) ++begin_;
            } else {
                pendingLineFeed_ = true;
            }
            return true;
        }
        scanned_ = available;
        if (!Fill()) {
            if (begin_ == end_) return false;
            line = std::string_view(buffer_.data() + begin_, end_ - begin_);
            begin_ = end_;
            return true;
        }
    }
}

std::string_view TextLineReader::Peek(std::size_t count) {
    while (end_ - begin_ < count && Fill()) {
    }
    return std::string_view(buffer_.data() + begin_, std::min(count, end_ - begin_));
}

bool TextLineReader::ReadLine(std::string& line) {
    std::string_view view;
    if (!ReadLine(view)) return false;
    line.assign(view);
    return true;
}

}  // namespace platform
