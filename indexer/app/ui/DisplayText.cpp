// Conversions at the toolkit boundary.
#include "indexer/app/ui/DisplayText.h"

#include "platform/Utf8Text.h"

namespace indexer {

namespace {
/// The toolkit draws "@..." in labels as a symbol; "@@" is a literal '@'.
std::string KeepAtSignsLiteral(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '@') out += '@';
    }
    return out;
}
}  // namespace

std::string LabelText(std::string_view cp1252) { return KeepAtSignsLiteral(platform::Windows1252ToUtf8(cp1252)); }

std::string PathLabelText(std::string_view path) { return KeepAtSignsLiteral(platform::PathForDisplay(path)); }

std::string EditText(std::string_view cp1252) { return platform::Windows1252ToUtf8(cp1252); }

std::string TypedText(std::string_view utf8) { return platform::Utf8ToCp1252(utf8); }

}  // namespace indexer
