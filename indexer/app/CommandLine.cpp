// Reading the desktop indexer's command line.
#include "indexer/app/CommandLine.h"

#include "platform/CodePage.h"
#include "platform/PathNames.h"

namespace indexer {

namespace {

/// The project file a parameter names, as ParseCommandLine describes; empty
/// when there is none.
std::string FindProject(const std::string& name, const ProjectSearchFolders& folders,
                        const std::function<bool(const std::string&)>& fileExists) {
    if (name.empty()) return {};
    const std::string fromProgram = platform::ResolveAgainst(folders.programFolder, name);
    if (!platform::IsAbsolutePath(name) && !folders.startFolder.empty()) {
        const std::string fromStart = platform::ResolveAgainst(folders.startFolder, name);
        // Started in the program's folder, the name is the same file either way.
        if (fromStart != fromProgram && fileExists(fromStart)) return fromStart;
    }
    return fileExists(fromProgram) ? name : std::string();
}

}  // namespace

CommandLineRequest ParseCommandLine(const std::vector<std::string>& parameters, const ProjectSearchFolders& folders,
                                    const std::function<bool(const std::string&)>& fileExists) {
    CommandLineRequest request;
    if (!parameters.empty()) request.projectPath = FindProject(parameters[0], folders, fileExists);
    if (parameters.size() >= 2 && platform::AsciiEqualsIgnoreCase(parameters[1], "autorun"))
        request.closeWhenDone = true;
    for (const auto& parameter : parameters)
        if (platform::AsciiEqualsIgnoreCase(parameter, "debug")) request.keepWorkFile = true;
    return request;
}

}  // namespace indexer
