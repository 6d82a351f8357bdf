// Reading the desktop indexer's command line.
#include "indexer/app/CommandLine.h"

#include "platform/CodePage.h"

namespace indexer {

CommandLineRequest ParseCommandLine(const std::vector<std::string>& parameters,
                                    const std::function<bool(const std::string&)>& fileExists) {
    CommandLineRequest request;
    if (!parameters.empty() && fileExists(parameters[0])) request.projectPath = parameters[0];
    if (parameters.size() >= 2 && platform::AsciiEqualsIgnoreCase(parameters[1], "autorun"))
        request.closeWhenDone = true;
    for (const auto& parameter : parameters)
        if (platform::AsciiEqualsIgnoreCase(parameter, "debug")) request.keepWorkFile = true;
    return request;
}

}  // namespace indexer
