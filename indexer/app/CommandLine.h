// The desktop indexer's command line: a project file, "autorun" in second
// place, "debug" anywhere.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace indexer {

/// What the command line asks for.
struct CommandLineRequest {
    /// Parameter 1 when it names an existing file, as found (see
    /// ParseCommandLine); else empty.
    std::string projectPath;
    bool closeWhenDone = false;  ///< parameter 2 is "autorun" (any letter case)
    bool keepWorkFile = false;   ///< some parameter is "debug" (any letter case)
};

/// Where a relative project name on the command line is looked for.
struct ProjectSearchFolders {
    /// The working folder the user started the program in; empty: none.
    std::string startFolder;
    /// The program's own folder, the working folder after start-up.
    std::string programFolder;
};

/// Reads the parameters (without the program name). `fileExists` tells
/// whether a path names an existing file. A relative parameter 1 is taken
/// from the start folder when the file is there, and becomes that absolute
/// path; otherwise from the program's folder, and stays as written.
CommandLineRequest ParseCommandLine(const std::vector<std::string>& parameters, const ProjectSearchFolders& folders,
                                    const std::function<bool(const std::string&)>& fileExists);

}  // namespace indexer
