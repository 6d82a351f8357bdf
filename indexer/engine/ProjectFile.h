// The indexer's project: its word options and paths, and the ".tarvo"
// project file (a profile file with the sections Options and Paths) in which
// a user saves and reopens them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "indexer/engine/DocumentCharset.h"
#include "indexer/engine/WordRules.h"
#include "platform/CodePage.h"

namespace indexer {

/// The database name of a new project.
inline constexpr std::string_view kDefaultDatabaseName = "DataBase";
/// The extension of project files.
inline constexpr std::string_view kProjectExtension = ".tarvo";

/// The current project's settings.
struct TProjectSettings {
    /// Characters that separate words (CR, LF and Tab are always added).
    std::string delimiters{kDefaultDelimiters};
    /// Also write the ".lst" list of all words found.
    bool dumpwords = false;
    /// Fewest digits a number needs to be a word; 0 = numbers are no words.
    std::int32_t digitmin = 0;
    /// Most digits a number may have; 0 = no bound.
    std::int32_t digitmax = 0;
    /// The character set of documents that declare none.
    DocumentCharset charset = DocumentCharset::Windows1252;
    /// The code page of the index set: its words, titles and pages.
    platform::IndexCodePage codePage = platform::IndexCodePage::Windows1252;
    /// The file list that names the documents.
    std::string filelist;
    /// The stopword file; empty for none.
    std::string stopwords;
    /// Base name of the index file set, without extension.
    std::string database{kDefaultDatabaseName};
    /// The project file; empty while the project is untitled.
    std::string projectPath;
};

/// Reads the project file at `path` into `settings` and sets its project
/// path. A word option whose key is missing or invalid keeps its current
/// value; a missing path reads as empty and a missing database name as
/// "DataBase". A missing or unknown `charset` or `codepage` reads as
/// windows-1252. The
/// older key `digitsize` fills a `digitmin` of 0. A file that
/// does not exist loads as if every key were missing. Throws
/// platform::IoError when an existing file cannot be read.
void LoadProject(const std::string& path, TProjectSettings& settings);

/// Writes the settings into the project file at `path`, keeping every other
/// section, key and comment of an existing file, and removes the older key
/// `digitsize` when it holds a number above 0. The file is replaced
/// atomically. Throws platform::IoError ("Unable to write to <path>").
void SaveProject(const std::string& path, const TProjectSettings& settings);

/// A profile integer: decimal, or hexadecimal after "0x"/"0X" when the text
/// is longer than two characters; nothing when the text is no valid 32-bit
/// integer.
std::optional<std::int32_t> ParseProfileInteger(std::string_view text);

}  // namespace indexer
