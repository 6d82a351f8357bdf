// The work file's entries as 8-byte sort keys: the rank of the entry's word
// field among the file's distinct word fields, and its document number. The
// keys sort exactly like the records they stand for, at a fraction of the
// bytes moved and compared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/MappedFile.h"

namespace indexer {

/// Records of the work file that hold one chunk of the parsing phase written
/// in several sorted pieces (a chunk whose word list grew too large to be
/// kept whole). The chunk's order is that of its pieces merged.
struct PiecewiseChunk {
    std::uint64_t firstRecord = 0;
    std::uint64_t recordCount = 0;
};

/// One key per work file record, in the order of the records as the file
/// would hold them had every chunk been written whole: the word rank in
/// the high 48 bits, the document number in the low 16. Ranks follow the
/// ordinal order of the 27-byte word fields, so comparing ranks compares
/// words. The keys and the distinct word fields live in a mapped scratch
/// file beside the work file that loses its name as soon as it is created;
/// pages that are done with can be handed back, so memory stays small for
/// any file size.
class WorkFileKeys {
public:
    /// Reads the work file at `workPath` (whose size is a whole number of
    /// records). Returns nullptr when the file is not one that the parsing
    /// phase writes (a record with a malformed separator or line end, a
    /// document number outside 1 to 65535, or too many sorted runs): the
    /// caller then works on the file itself. Throws platform::IoError on a
    /// file error.
    static std::unique_ptr<WorkFileKeys> Load(const std::string& workPath,
                                              const std::vector<PiecewiseChunk>& piecewiseChunks);

    WorkFileKeys(const WorkFileKeys&) = delete;
    WorkFileKeys& operator=(const WorkFileKeys&) = delete;

    std::size_t Count() const noexcept { return count_; }
    std::uint64_t* Keys() noexcept { return reinterpret_cast<std::uint64_t*>(map_->Data()); }
    const std::uint64_t* Keys() const noexcept { return reinterpret_cast<const std::uint64_t*>(map_->Data()); }

    static std::uint64_t Rank(std::uint64_t key) noexcept { return key >> 16; }
    static std::uint16_t Number(std::uint64_t key) noexcept { return static_cast<std::uint16_t>(key & 0xFFFF); }

    /// The 27-byte word field of a rank.
    std::string_view WordField(std::uint64_t rank) const noexcept;

    /// Hands back the resident pages of keys [first, first + count).
    void ReleaseKeys(std::size_t first, std::size_t count) noexcept;
    /// Hands back the resident pages of the word fields of ranks below `rank`.
    void ReleaseWordsBefore(std::uint64_t rank) noexcept;

    /// Writes the records the keys stand for, in the keys' order, as the
    /// work file at `path` (replacing it).
    void WriteWorkFile(const std::string& path);

private:
    WorkFileKeys(std::unique_ptr<platform::MappedFile> map, std::size_t count, std::uint64_t words);

    std::unique_ptr<platform::MappedFile> map_;
    std::size_t count_ = 0;
    std::uint64_t words_ = 0;
    std::size_t wordsReleased_ = 0;
};

}  // namespace indexer
