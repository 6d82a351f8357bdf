// Names derived from a project path: the caption of the project label and
// the project path that "Save As" makes of the name chosen in the dialog.
#pragma once

#include <string>
#include <string_view>

#include "indexer/engine/ProjectFile.h"

namespace indexer {

/// The name the save dialog proposes.
inline constexpr std::string_view kUntitledProjectFile = "untitled.tarvo";

/// "Project: " and the project's name: its file name without folder, cut
/// before the first dot ("site.old.tarvo" -> "site"); "untitled" when the
/// path is empty.
std::string ProjectCaption(std::string_view projectPath);

/// The project path for a name chosen in the "Save As" dialog. A name whose
/// extension is exactly ".tar" (the project extension as cut to three
/// letters by some dialogs; letter case counts) becomes its folder, its file
/// name up to the first dot, and ".tarvo"; any other name stays as it is.
std::string SaveAsProjectPath(std::string_view chosenName);

}  // namespace indexer
