// The options dialog's actions on the word options and the stored defaults.
#include "indexer/app/OptionsDialogLogic.h"

namespace indexer {

std::int32_t DigitRuleIndex(std::string_view boxText) {
    for (std::size_t i = 0; i < kDigitRuleEntries.size(); ++i)
        if (kDigitRuleEntries[i] == boxText) return static_cast<std::int32_t>(i);
    return -1;
}

std::string DigitRuleText(std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kDigitRuleEntries.size()) return {};
    return std::string(kDigitRuleEntries[static_cast<std::size_t>(index)]);
}

OptionsControls OptionsDialogLogic::Show() const {
    return OptionsControls{words_.delimiters, words_.dumpwords, words_.digitmin,
                           words_.digitmax,   words_.charset,   words_.codePage};
}

void OptionsDialogLogic::Use(const OptionsControls& controls) {
    words_.delimiters = controls.delimiters;
    words_.dumpwords = controls.dumpWords;
    words_.digitmin = controls.digitMinIndex;
    words_.digitmax = controls.digitMaxIndex;
    words_.charset = controls.charset;
    words_.codePage = controls.codePage;
}

void OptionsDialogLogic::SetAsDefaults(const OptionsControls& controls) {
    defaults_.WriteDefaultString("delimiters", "", controls.delimiters);
    defaults_.WriteDefaultBool("dumpwords", controls.dumpWords);
    defaults_.WriteDefaultInt("digitmin", controls.digitMinIndex);
    defaults_.WriteDefaultInt("digitmax", controls.digitMaxIndex);
    defaults_.WriteDefaultString("charset", "", CharsetSettingName(controls.charset));
    defaults_.WriteDefaultString("codepage", "", platform::CodePageName(controls.codePage));
}

OptionsControls OptionsDialogLogic::RevertToDefaults() {
    OptionsControls controls;
    controls.delimiters = defaults_.ReadDefaultString("delimiters", "");
    controls.dumpWords = defaults_.ReadDefaultBool("dumpwords");
    controls.digitMinIndex = defaults_.ReadDefaultInt("digitmin");
    controls.digitMaxIndex = defaults_.ReadDefaultInt("digitmax");
    controls.charset =
        ParseCharsetSetting(defaults_.ReadDefaultString("charset", "")).value_or(DocumentCharset::Windows1252);
    controls.codePage = platform::ParseCodePageName(defaults_.ReadDefaultString("codepage", ""))
                            .value_or(platform::IndexCodePage::Windows1252);
    return controls;
}

}  // namespace indexer
