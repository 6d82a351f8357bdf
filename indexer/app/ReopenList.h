// The reopen list: the five most recently used project files, most recent
// first, kept in the stored defaults under the key "prj" (values "1" to "5").
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "indexer/engine/StoredDefaults.h"

namespace indexer {

class ReopenList {
public:
    static constexpr std::size_t kEntryCount = 5;

    /// Entry 1 (most recent) to 5 (oldest), 0-based here; empty when unused.
    const std::string& Entry(std::size_t index) const { return entries_.at(index); }
    /// Whether the menu shows the entry. An entry becomes visible once it
    /// holds a text and never becomes hidden again.
    bool Visible(std::size_t index) const { return visible_.at(index); }

    /// Start-up: reads the five entries when the key "prj" exists and shows
    /// the filled ones; otherwise stores five empty entries.
    void Load(StoredDefaults& defaults);

    /// Moves `path` to the top (texts compared exactly, letter case counts)
    /// and stores the entries that changed, entry 1 last.
    void Add(std::string_view path, StoredDefaults& defaults);

private:
    void Store(StoredDefaults& defaults, std::size_t index) const;
    void ShowFilledEntries();

    std::array<std::string, kEntryCount> entries_;
    std::array<bool, kEntryCount> visible_{};
};

}  // namespace indexer
