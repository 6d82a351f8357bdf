// The desktop program's access to project files: the word options and the
// three paths of a project, read from and written to a ".tarvo" file by the
// engine's project file functions.
#pragma once

#include <string>

#include "indexer/engine/StoredDefaults.h"

namespace indexer {

/// The three paths of a project as the main window shows them.
struct ProjectPaths {
    std::string filelist;
    std::string stopwords;
    std::string database = "DataBase";
};

/// Reads the project file at `path`. The word options keep their current
/// values for keys the file lacks (digitsize fills a digitmin of 0); the
/// paths take the file's values or their defaults (empty, "DataBase"). A
/// missing file reads as one without keys. Throws on a read error.
void ReadProjectFile(const std::string& path, WordDefaults& words, ProjectPaths& paths);

/// Writes the project file at `path` (removing the older digitsize key).
/// Throws with "Unable to write to " and the path when it cannot be written.
void WriteProjectFile(const std::string& path, const WordDefaults& words, const ProjectPaths& paths);

}  // namespace indexer
