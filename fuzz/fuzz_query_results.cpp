// Fuzz target: query results checked against a plain model. A generated
// index of more than one dictionary block (about 70,000 words, each in a
// few of 300 documents) is built once at start; the input picks a query of
// its words, near-misses, prefix wildcards and operator words, and the
// documents the search lists must be exactly those that folding the terms'
// document sets left to right gives.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "fuzz/SearchCheck.h"
#include "indexer/engine/IndexBuilder.h"
#include "indexer/engine/RunObserver.h"
#include "indexfiles/IndexFiles.h"
#include "search/QueryTokens.h"
#include "search/TTARVO.h"

namespace {

constexpr int kDocuments = 300;
constexpr std::size_t kWords = 70000;

using DocumentSet = std::set<int>;

struct Model {
    std::string base;
    std::vector<std::string> words;  ///< every dictionary word, ascending
    std::map<std::string, DocumentSet> documents;
};

std::string DocumentUrl(int document) { return "doc/" + std::to_string(document) + ".htm"; }

/// Words of 1 to 12 characters over digits, letters and a few other bytes,
/// many sharing their first characters.
std::string RandomWord(std::mt19937& random) {
    static const std::string alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ#_\xC4\xC9\xD6";
    static const std::string common = "ETAOINS";
    const std::size_t length = 1 + random() % 12;
    std::string word;
    for (std::size_t i = 0; i < length; ++i)
        word += (i < 2 && random() % 2 == 0) ? common[random() % common.size()] : alphabet[random() % alphabet.size()];
    return word;
}

Model BuildModel() {
    Model model;
    model.base = fuzz::ScratchPath("Generated");
    std::mt19937 random(20261208);
    while (model.documents.size() < kWords) {
        DocumentSet& set = model.documents[RandomWord(random)];
        const int count = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < count; ++i) set.insert(1 + static_cast<int>(random() % kDocuments));
    }
    std::string toc;
    for (int document = 1; document <= kDocuments; ++document)
        toc += indexfiles::FormatTocLine(DocumentUrl(document), "Document " + std::to_string(document)) + "\r\n";
    std::string work;
    for (const auto& [word, set] : model.documents) {
        model.words.push_back(word);
        for (const int document : set) work += indexfiles::FormatWorkEntry(word, document) + "\r\n";
    }
    fuzz::WriteFile(model.base + ".toc", toc);
    fuzz::WriteFile(model.base + ".temp", work);
    indexer::RunObserver quiet;
    indexer::BuildIndex(indexer::BuildSettings{model.base, false, false}, quiet);
    return model;
}

const Model& TheModel() {
    static const Model model = BuildModel();
    return model;
}

/// Documents of the words that begin with `prefix`.
DocumentSet PrefixDocuments(const Model& model, const std::string& prefix) {
    DocumentSet set;
    for (auto it = std::lower_bound(model.words.begin(), model.words.end(), prefix);
         it != model.words.end() && it->compare(0, prefix.size(), prefix) == 0; ++it) {
        const DocumentSet& documents = model.documents.at(*it);
        set.insert(documents.begin(), documents.end());
    }
    return set;
}

DocumentSet ExactDocuments(const Model& model, const std::string& word) {
    const auto found = model.documents.find(word);
    return found == model.documents.end() ? DocumentSet{} : found->second;
}

/// ASCII letters in lower case: the search upper-cases every term.
std::string LowerAscii(std::string word) {
    for (char& c : word)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return word;
}

struct Query {
    std::string text;
    DocumentSet expected;
};

/// Builds the query and folds the model's sets left to right: the first
/// term's set becomes the result, each later term joins it by the operator
/// word before it (AND when there is none); an operator word before the
/// first term waits for the second.
Query MakeQuery(const Model& model, fuzz::InputReader& input, std::size_t size) {
    static const char* const kOperators[] = {"AND", "OR", "NOT", "&", "|", "!", "and", "Or"};
    static const char* const kSeparators[] = {" ", "  ", "(", ")", "\"", " ( "};
    Query query;
    int pending = 0;
    bool first = true;
    for (std::size_t step = 0; step < size; ++step) {
        const std::uint8_t kind = input.Byte();
        const std::size_t pick = (std::size_t{input.Byte()} << 8 | input.Byte()) % model.words.size();
        std::string token;
        DocumentSet set;
        bool isOperator = false;
        switch (kind % 8) {
            case 0: {
                token = kOperators[pick % 8];
                isOperator = true;
                const char upper = static_cast<char>(token[0] & ~0x20);
                pending = upper == 'A' || token == "&" ? 1 : upper == 'O' || token == "|" ? 2 : 3;
                break;
            }
            case 1:  // a word that may not exist
                token = model.words[pick] + std::string(1, "AZ09"[kind % 4]);
                set = ExactDocuments(model, token);
                break;
            case 2:  // a prefix wildcard, the star after at least three characters
                if (model.words[pick].size() < 3) continue;
                token = model.words[pick].substr(0, 3 + (kind >> 4) % (model.words[pick].size() - 2)) + "*";
                set = PrefixDocuments(model, token.substr(0, token.size() - 1));
                break;
            case 3:
                token = LowerAscii(model.words[pick]);
                set = ExactDocuments(model, model.words[pick]);
                break;
            default:
                token = model.words[pick];
                set = ExactDocuments(model, token);
                break;
        }
        const std::string separator = query.text.empty() ? "" : kSeparators[kind % 6];
        if (query.text.size() + separator.size() + token.size() > search::kMaxTokenText) break;
        query.text += separator + token;
        if (isOperator) continue;
        if (first) {
            query.expected = set;
            first = false;
            continue;
        }
        DocumentSet combined;
        const int code = pending == 0 ? 1 : pending;
        pending = 0;
        if (code == 1) {
            std::set_intersection(query.expected.begin(), query.expected.end(), set.begin(), set.end(),
                                  std::inserter(combined, combined.end()));
        } else if (code == 2) {
            std::set_union(query.expected.begin(), query.expected.end(), set.begin(), set.end(),
                           std::inserter(combined, combined.end()));
        } else {
            std::set_difference(query.expected.begin(), query.expected.end(), set.begin(), set.end(),
                                std::inserter(combined, combined.end()));
        }
        query.expected = std::move(combined);
    }
    return query;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    (void)TheModel();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Model& model = TheModel();
    fuzz::InputReader input(data, size);
    const Query query = MakeQuery(model, input, size / 3);

    search::TTARVO engine(model.base);
    engine.Search(query.text);
    fuzz::CheckSearchOutcome(engine);
    std::vector<std::string> expectedUrls;
    for (const int document : query.expected) expectedUrls.push_back(DocumentUrl(document));
    std::vector<std::string> urls;
    if (engine.GetFoundCount() > 0) urls = engine.GetUrls();
    if (urls != expectedUrls) {
        std::fprintf(stderr, "query [%s]: %zu documents listed, %zu expected\n", query.text.c_str(), urls.size(),
                     expectedUrls.size());
        fuzz::Fail("search results differ from the model");
    }
    return 0;
}
