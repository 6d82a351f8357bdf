// The display boundary of the desktop indexer: Windows-1252 texts and file
// paths become the toolkit's UTF-8 here, and typed UTF-8 text becomes bytes.
#pragma once

#include <string>
#include <string_view>

namespace indexer {

/// A Windows-1252 text as the toolkit shows it in a label ('@' kept literal).
std::string LabelText(std::string_view cp1252);
/// A file path as the toolkit shows it in a label ('@' kept literal).
std::string PathLabelText(std::string_view path);
/// A Windows-1252 text for an edit field.
std::string EditText(std::string_view cp1252);
/// The Windows-1252 bytes of what the user typed into an edit field.
std::string TypedText(std::string_view utf8);

}  // namespace indexer
