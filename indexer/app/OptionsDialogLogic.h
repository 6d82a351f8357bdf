// What the options dialog does with the word options, apart from its
// widgets: filling the controls, "Use", "Set as defaults" and "Revert to
// defaults". "Cancel" is the absence of "Use": nothing changes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "indexer/engine/StoredDefaults.h"

namespace indexer {

/// The entries of the two digit-rule boxes; an entry's index is the rule.
inline constexpr std::array<std::string_view, 11> kDigitRuleEntries = {"none", "1", "2", "3", "4", "5",
                                                                       "6",    "7", "8", "9", "10"};

/// The values shown by the dialog's controls. A digit index of -1 stands
/// for a box in which no entry is selected (text typed into it).
struct OptionsControls {
    std::string delimiters;
    bool dumpWords = false;
    std::int32_t digitMinIndex = 0;
    std::int32_t digitMaxIndex = 0;
    /// The character set of documents that declare none.
    DocumentCharset charset = DocumentCharset::Windows1252;
    /// The code page of the index set.
    platform::IndexCodePage codePage = platform::IndexCodePage::Windows1252;
};

/// The entry index a digit box shows for a typed or chosen text: the index of
/// the entry with exactly that text, -1 when there is none.
std::int32_t DigitRuleIndex(std::string_view boxText);

/// The text a digit box shows for an index: its entry, empty for -1 or any
/// index outside the list.
std::string DigitRuleText(std::int32_t index);

/// Works on the word options that the dialog edits; `words` is the current
/// project's set and changes only through Use().
class OptionsDialogLogic {
public:
    OptionsDialogLogic(WordDefaults& words, StoredDefaults& defaults) : words_(words), defaults_(defaults) {}

    /// The controls' values when the dialog is shown.
    OptionsControls Show() const;
    /// "Use": the current options take the controls' values.
    void Use(const OptionsControls& controls);
    /// "Set as defaults": the controls' values become the stored defaults;
    /// the current options stay. Throws StoredDefaultsError on a failed write.
    void SetAsDefaults(const OptionsControls& controls);
    /// "Revert to defaults": the controls' values read from the stored
    /// defaults; the current options stay.
    OptionsControls RevertToDefaults();

private:
    WordDefaults& words_;
    StoredDefaults& defaults_;
};

}  // namespace indexer
