// Fuzz target: the project file loader. Loads the input as a ".tarvo" file,
// saves the settings back into it and checks that they load unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "indexer/engine/ProjectFile.h"
#include "platform/File.h"

namespace {

bool HasControlBytes(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 32) return true;
    return false;
}

bool SavesPlainly(const indexer::TProjectSettings& settings) {
    return !HasControlBytes(settings.delimiters) && !HasControlBytes(settings.filelist) &&
           !HasControlBytes(settings.stopwords) && !HasControlBytes(settings.database);
}

bool SameSettings(const indexer::TProjectSettings& a, const indexer::TProjectSettings& b) {
    return a.delimiters == b.delimiters && a.dumpwords == b.dumpwords && a.digitmin == b.digitmin &&
           a.digitmax == b.digitmax && a.filelist == b.filelist && a.stopwords == b.stopwords &&
           a.database == b.database;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::ScratchPath("project.tarvo");
    fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(data), size));

    indexer::TProjectSettings loaded;
    indexer::LoadProject(path, loaded);
    (void)indexer::ParseProfileInteger(loaded.delimiters);
    try {
        indexer::SaveProject(path, loaded);
    } catch (const platform::IoError&) {
        fuzz::Fail("a project that loaded could not be saved");
    }
    indexer::TProjectSettings reloaded;
    indexer::LoadProject(path, reloaded);
    if (SavesPlainly(loaded) && !SameSettings(loaded, reloaded)) fuzz::Fail("saved project loads changed");
    return 0;
}
