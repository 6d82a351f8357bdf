// Project caption and "Save As" names.
#include "indexer/app/ProjectNames.h"

#include "platform/PathNames.h"

namespace indexer {

namespace {

/// The extension of a file name: from its last dot, empty when it has none.
std::string_view ExtensionOf(std::string_view fileName) {
    const auto dot = fileName.find_last_of('.');
    return dot == std::string_view::npos ? std::string_view{} : fileName.substr(dot);
}

std::string UpToFirstDot(std::string_view fileName) { return std::string(fileName.substr(0, fileName.find('.'))); }

}  // namespace

std::string ProjectCaption(std::string_view projectPath) {
    const std::string name = projectPath.empty() ? "untitled" : UpToFirstDot(platform::FileNameOf(projectPath));
    return "Project: " + name;
}

std::string SaveAsProjectPath(std::string_view chosenName) {
    const std::string fileName = platform::FileNameOf(chosenName);
    if (ExtensionOf(fileName) != kProjectExtension.substr(0, 4)) return std::string(chosenName);
    const std::string_view folderPart = chosenName.substr(0, chosenName.size() - fileName.size());
    return std::string(folderPart) + UpToFirstDot(fileName) + std::string(kProjectExtension);
}

}  // namespace indexer
