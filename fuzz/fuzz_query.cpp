// Fuzz target: the query tokenizer and the query evaluation, over the index
// of the bundled sample site built once when the target starts. Input: the
// query; the tokenizer also splits it at the delimiters its first bytes name.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "fuzz/SearchCheck.h"
#include "indexer/engine/IndexingRun.h"
#include "indexer/engine/ProjectFile.h"
#include "indexer/engine/RunObserver.h"
#include "search/QueryTokens.h"
#include "search/TTARVO.h"

namespace {

/// Indexes the sample site into the scratch folder; returns the set's base path.
std::string BuildSampleIndex() {
    const std::string samples = std::string(TARVO_SOURCE_DIR) + "/samples";
    indexer::RunSettings settings;
    indexer::LoadProject(samples + "/sample.tarvo", settings.project);
    settings.project.filelist = samples + "/filelist.txt";
    settings.project.stopwords = samples + "/stopwords.txt";
    settings.project.database = fuzz::ScratchPath("DataBase");
    indexer::RunObserver quiet;
    const indexer::RunSummary summary = indexer::RunIndexer(settings, quiet);
    if (summary.documents == 0 || summary.words == 0) fuzz::Fail("the sample index holds nothing");
    return summary.databasePath;
}

const std::string& SampleIndex() {
    static const std::string base = BuildSampleIndex();
    return base;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    (void)SampleIndex();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view query(reinterpret_cast<const char*>(data), size);

    search::QueryTokenizer tokenizer;
    tokenizer.Start(query, query.substr(0, 3));
    std::string token;
    std::size_t tokenBytes = 0;
    for (std::size_t count = 0; tokenizer.Next(token); ++count) {
        tokenBytes += token.size();
        if (count > search::kMaxTokenText + 1) fuzz::Fail("tokenizer gave more tokens than the text has places");
    }
    if (tokenBytes > search::kMaxTokenText) fuzz::Fail("tokens hold more bytes than the text");

    search::TTARVO engine(SampleIndex());
    engine.Search(query);
    if (engine.GetStatus() != search::kStatusNone) fuzz::Fail("the sample index failed to open");
    fuzz::CheckSearchOutcome(engine);
    return 0;
}
