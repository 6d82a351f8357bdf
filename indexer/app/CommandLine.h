// The desktop indexer's command line: a project file, "autorun" in second
// place, "debug" anywhere.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace indexer {

/// What the command line asks for.
struct CommandLineRequest {
    std::string projectPath;     ///< parameter 1 when it names an existing file; else empty
    bool closeWhenDone = false;  ///< parameter 2 is "autorun" (any letter case)
    bool keepWorkFile = false;   ///< some parameter is "debug" (any letter case)
};

/// Reads the parameters (without the program name). `fileExists` tells
/// whether a path names an existing file; relative names are taken as the
/// caller's working folder has them.
CommandLineRequest ParseCommandLine(const std::vector<std::string>& parameters,
                                    const std::function<bool(const std::string&)>& fileExists);

}  // namespace indexer
