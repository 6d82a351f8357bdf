// The per-user store of the indexer's stored defaults: keys holding named,
// typed values (strings and 32-bit integers), kept in one text file under the
// user's configuration folder and replaced atomically on every change.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// One stored value. `Other` stands for a value of a type the store does not
/// read (left in the file by hand or by a later version); it is kept, never
/// interpreted, so callers can report "invalid data type".
struct RegistryValue {
    enum class Type { String, Int32, Other };
    Type type = Type::String;
    std::string text;         ///< the string of a String value; the raw text of an Other
    std::int32_t number = 0;  ///< the value of an Int32 value
};

/// Keys of named values, in the layout of a per-user registry: a key is
/// named by a path text ("\Software\TARVO\dumpwords"), a value by a name (an
/// empty name is the key's unnamed default value). Key and value names are
/// compared without regard to ASCII letter case. Texts are bytes.
///
/// Every operation reads the store file afresh and every change writes it
/// whole: a temporary file beside it, flushed to disk, renamed over the old
/// one, so a crash never leaves a half-written store. No operation throws;
/// each reports failure by its result.
class UserRegistry {
public:
    /// A store kept in the file `storePath` (created with its folder on the
    /// first change).
    explicit UserRegistry(std::string storePath);

    /// The current user's store file: "$XDG_CONFIG_HOME/tarvo/defaults", or
    /// "$HOME/.config/tarvo/defaults" when XDG_CONFIG_HOME is unset or empty.
    static std::string DefaultStorePath();

    const std::string& StorePath() const noexcept { return storePath_; }

    /// True when the key exists. Creates nothing; false when the store file
    /// cannot be read.
    bool KeyExists(std::string_view key) const;
    /// Opens the key, creating it when missing. False when the store cannot
    /// be read, or the key is missing and the store cannot be written.
    bool OpenOrCreateKey(std::string_view key);
    /// The value `name` of `key`; nothing when the key or the value is
    /// missing or the store cannot be read.
    std::optional<RegistryValue> QueryValue(std::string_view key, std::string_view name) const;
    /// Writes a string value, creating the key when missing. False on failure.
    bool SetString(std::string_view key, std::string_view name, std::string_view value);
    /// Writes a 32-bit integer value, creating the key when missing.
    bool SetInt32(std::string_view key, std::string_view name, std::int32_t value);

private:
    std::string storePath_;
};

}  // namespace platform
