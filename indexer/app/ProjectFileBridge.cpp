// Project files through the engine's TProjectSettings functions.
#include "indexer/app/ProjectFileBridge.h"

#include "indexer/engine/ProjectFile.h"

namespace indexer {

namespace {

TProjectSettings ToSettings(const WordDefaults& words, const ProjectPaths& paths) {
    TProjectSettings settings;
    settings.delimiters = words.delimiters;
    settings.dumpwords = words.dumpwords;
    settings.digitmin = words.digitmin;
    settings.digitmax = words.digitmax;
    settings.charset = words.charset;
    settings.codePage = words.codePage;
    settings.filelist = paths.filelist;
    settings.stopwords = paths.stopwords;
    settings.database = paths.database;
    return settings;
}

}  // namespace

void ReadProjectFile(const std::string& path, WordDefaults& words, ProjectPaths& paths) {
    TProjectSettings settings = ToSettings(words, paths);
    LoadProject(path, settings);
    words.delimiters = settings.delimiters;
    words.dumpwords = settings.dumpwords;
    words.digitmin = settings.digitmin;
    words.digitmax = settings.digitmax;
    words.charset = settings.charset;
    words.codePage = settings.codePage;
    paths.filelist = settings.filelist;
    paths.stopwords = settings.stopwords;
    paths.database = settings.database;
}

void WriteProjectFile(const std::string& path, const WordDefaults& words, const ProjectPaths& paths) {
    SaveProject(path, ToSettings(words, paths));
}

}  // namespace indexer
