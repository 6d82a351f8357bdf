// The reopen list's moves and storage.
#include "indexer/app/ReopenList.h"

namespace indexer {

namespace {
constexpr std::string_view kReopenKey = "prj";

std::string ValueName(std::size_t index) { return std::to_string(index + 1); }
}  // namespace

void ReopenList::Load(StoredDefaults& defaults) {
    if (!defaults.DefaultKeyExists(kReopenKey)) {
        for (std::size_t i = 0; i < kEntryCount; ++i) defaults.WriteDefaultString(kReopenKey, ValueName(i), "");
        return;
    }
    for (std::size_t i = 0; i < kEntryCount; ++i) entries_[i] = defaults.ReadDefaultString(kReopenKey, ValueName(i));
    ShowFilledEntries();
}

void ReopenList::Add(std::string_view path, StoredDefaults& defaults) {
    // Where the path already stands decides how far the entries above it
    // move down; a path not in entries 1 to 4 pushes everything down and
    // drops entry 5 (which also covers a path equal to entry 5).
    std::size_t movedDown = 0;  // entries 2..movedDown+1 take their upper neighbour's text
    if (entries_[1] == path) {
        movedDown = 1;
    } else if (entries_[2] == path) {
        movedDown = 2;
    } else if (entries_[3] == path) {
        movedDown = 3;
    } else if (entries_[0] != path) {
        movedDown = 4;
    }
    for (std::size_t i = movedDown; i >= 1; --i) entries_[i] = entries_[i - 1];
    for (std::size_t i = 1; i <= movedDown; ++i) Store(defaults, i);
    entries_[0] = std::string(path);
    Store(defaults, 0);
    ShowFilledEntries();
}

void ReopenList::Store(StoredDefaults& defaults, std::size_t index) const {
    defaults.WriteDefaultString(kReopenKey, ValueName(index), entries_[index]);
}

void ReopenList::ShowFilledEntries() {
    for (std::size_t i = 0; i < kEntryCount; ++i)
        if (!entries_[i].empty()) visible_[i] = true;
}

}  // namespace indexer
