// Windowed reads of posting lists.
#include "search/PostingReader.h"

#include "indexfiles/IndexFiles.h"

namespace search {

using indexfiles::kPostingValueSize;

std::size_t PostingReader::AddList(std::int64_t position, TBitSet& set) {
    if (position < 0 || !Load(position)) return 0;
    const std::uint16_t count = ValueAt(position);
    std::size_t added = 0;
    for (std::int64_t value = position + 1; value <= position + count; ++value) {
        if (!Load(value)) break;
        set.SetBit(ValueAt(value));
        ++added;
    }
    return added;
}

bool PostingReader::Load(std::int64_t position) noexcept {
    if (position >= windowFirst_ && position < windowFirst_ + static_cast<std::int64_t>(windowValues_)) return true;
    windowValues_ = 0;
    const long long got = file_.ReadAt(window_.data(), readValues_ * kPostingValueSize,
                                       position * static_cast<std::int64_t>(kPostingValueSize));
    if (readValues_ < kWindowValues) readValues_ *= 2;
    if (got < static_cast<long long>(kPostingValueSize)) return false;
    windowFirst_ = position;
    windowValues_ = static_cast<std::size_t>(got) / kPostingValueSize;
    return true;
}

std::uint16_t PostingReader::ValueAt(std::int64_t position) const noexcept {
    const auto index = static_cast<std::size_t>(position - windowFirst_) * kPostingValueSize;
    return indexfiles::ReadUint16(window_.data() + index);
}

}  // namespace search
