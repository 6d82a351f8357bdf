// The indexer's per-user stored defaults: one key per option under
// "\Software\TARVO\", with typed values, and the start-up reading of the word
// options from them that both front ends share.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "indexer/engine/DocumentCharset.h"
#include "platform/CodePage.h"
#include "platform/UserRegistry.h"

namespace indexer {

/// A stored default that exists but cannot be read or written as asked:
/// "Failed to get data for 'int'", "Invalid data type for 'bool'",
/// "Failed to set data for '1'" (the value name between the quotes).
class StoredDefaultsError : public std::runtime_error {
public:
    explicit StoredDefaultsError(const std::string& message) : std::runtime_error(message) {}
};

/// The operations on the stored defaults. Each opens the option's key
/// ("\Software\TARVO\" + option) for the one access. A key that cannot be
/// opened or created reads as empty, 0 or false, and writes to it are
/// skipped silently; the errors above are thrown only for a key that opened.
class StoredDefaults {
public:
    /// The key path in front of every option name.
    static constexpr std::string_view kRootKey = "\\Software\\TARVO\\";

    explicit StoredDefaults(platform::UserRegistry& registry) : registry_(registry) {}

    /// True when the option's key exists; creates nothing.
    bool DefaultKeyExists(std::string_view option) const;
    /// The string value `valueName` (empty: the unnamed value) of the option's
    /// key, creating the key when missing; empty when the value is missing.
    /// Throws "Invalid data type" for a value that is not a string.
    std::string ReadDefaultString(std::string_view option, std::string_view valueName);
    /// Writes a string value, creating the key when missing.
    void WriteDefaultString(std::string_view option, std::string_view valueName, std::string_view value);
    /// The 32-bit value "int"; 0 when the key cannot be opened. Throws when
    /// the key opened but the value is missing or not an integer.
    std::int32_t ReadDefaultInt(std::string_view option);
    /// Writes "int" as a 32-bit integer.
    void WriteDefaultInt(std::string_view option, std::int32_t value);
    /// The value "bool" read as `ReadDefaultInt` does; true when non-zero.
    bool ReadDefaultBool(std::string_view option);
    /// Writes "bool" as the integer 0 or 1.
    void WriteDefaultBool(std::string_view option, bool value);

private:
    std::int32_t ReadInteger(std::string_view option, std::string_view valueName);
    void WriteInteger(std::string_view option, std::string_view valueName, std::int32_t value);

    platform::UserRegistry& registry_;
};

/// The word options a new project starts from.
struct WordDefaults {
    std::string delimiters;  ///< the built-in delimiter set until read
    bool dumpwords = false;
    std::int32_t digitmin = 0;
    std::int32_t digitmax = 0;
    /// The character set of documents that declare none.
    DocumentCharset charset = DocumentCharset::Windows1252;
    /// The code page of a new index set.
    platform::IndexCodePage codePage = platform::IndexCodePage::Windows1252;
};

/// Whether reading the word defaults stores the built-in value of an option
/// whose key is missing (the desktop program at start-up) or leaves the
/// store untouched (the command-line indexer).
enum class MissingDefaults { Store, Leave };

/// The built-in word options: the 28 default delimiters, no dump, no digit
/// rules, undeclared documents in Windows-1252, Windows-1252 index sets.
WordDefaults BuiltInWordDefaults();

/// Reads delimiters, dumpwords, digitmin (or its older name digitsize),
/// digitmax, charset and codepage in that order, each from its key when that
/// exists and from the built-in value otherwise (a charset or codepage string
/// naming no character set or code page reads as windows-1252). Throws StoredDefaultsError at the first option
/// that cannot be read; `words` then holds what was read before it.
void LoadWordDefaults(StoredDefaults& defaults, WordDefaults& words, MissingDefaults mode);

/// The word options as the desktop program starts with them, read from the
/// current user's store without changing it. Throws StoredDefaultsError as
/// LoadWordDefaults does; `words` then holds what was read before.
void ReadUserWordDefaults(WordDefaults& words);

}  // namespace indexer
