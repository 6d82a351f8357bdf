// Buffered reader of text files, line by line, by the product's text rules:
// a CR ends a line and an LF right after it belongs to the break; the byte 26
// (Ctrl-Z) ends the file; lines have no length limit. An LF on its own is an
// ordinary character of a document, but ends a line of a list file (the file
// list, the stopword file), which Linux tools write with LF line ends. Bytes
// pass through unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/File.h"

namespace platform {

/// What an LF that does not follow a CR is.
enum class LoneLineFeed {
    Ordinary,  ///< a character of the line (documents)
    EndsLine,  ///< a line break, as CR LF and CR are (list files)
};

class TextLineReader {
public:
    /// Opens a file for reading. Throws IoError when it cannot be opened.
    explicit TextLineReader(const std::string& path, LoneLineFeed lineFeed = LoneLineFeed::Ordinary);
    /// Reads lines from bytes held in memory (tests, fuzzing).
    static TextLineReader FromBytes(std::string_view bytes, LoneLineFeed lineFeed = LoneLineFeed::Ordinary);

    TextLineReader(TextLineReader&&) noexcept = default;
    TextLineReader& operator=(TextLineReader&&) noexcept = default;
    TextLineReader(const TextLineReader&) = delete;
    TextLineReader& operator=(const TextLineReader&) = delete;

    /// Reads the next line without its break. Returns false at the end of the
    /// file (or at a Ctrl-Z that starts what would be the next line). The view
    /// stays valid until the next call. Throws IoError on a read error.
    bool ReadLine(std::string_view& line);
    /// As above, copying the line.
    bool ReadLine(std::string& line);

    /// Up to `count` of the bytes not yet read, without reading them: fewer
    /// only when the file holds fewer. The view stays valid until the next
    /// call. Throws IoError on a read error.
    std::string_view Peek(std::size_t count);

    /// The path the reader was opened on (empty for in-memory bytes).
    const std::string& Path() const noexcept { return path_; }

private:
    TextLineReader() = default;
    /// Reads more bytes behind the unread ones; false when the source is done.
    bool Fill();
    /// Drops an LF at the read position when the previous line ended in a CR
    /// at the very end of the buffer.
    void SkipPendingLineFeed();

    static constexpr std::size_t kChunkSize = 64 * 1024;

    std::string path_;
    FileHandle file_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;    ///< first unread byte
    std::size_t end_ = 0;      ///< one past the last byte read from the source
    std::size_t scanned_ = 0;  ///< bytes after begin_ already known to hold no line break or Ctrl-Z
    bool sourceDone_ = false;  ///< the file has no more bytes
    bool finished_ = false;    ///< a Ctrl-Z was met: nothing more is read
    bool pendingLineFeed_ = false;
    bool lineFeedEndsLine_ = false;
};

}  // namespace platform
