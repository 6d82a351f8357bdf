// bench-links: tarvo_search tarvo_engine
// Term lookups and whole searches on an index of 65,535 documents: exact
// terms, short terms, broad wildcards (prefixes that match thousands of
// words) and 5-term boolean queries, in lookups (or searches) per second.
// Without an argument it builds its index in /tmp/tarvo-bench-search from a
// generated work file (Zipf-like word frequencies); with one it uses the
// index file set at that base path.
// Usage: SearchLookupBench [BASEPATH]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "indexer/engine/IndexBuilder.h"
#include "indexfiles/IndexFiles.h"
#include "platform/BufferedWriter.h"
#include "platform/File.h"
#include "search/TTARVO.h"

namespace {

constexpr int kDocuments = 65535;
constexpr std::uint32_t kVocabulary = 300000;
constexpr int kWordsPerDocument = 30;
/// Word families that make broad wildcards: each prefix starts thousands of words.
const std::vector<std::string> kFamilies = {"INTER", "TRANS", "COMPU", "PRESE", "CONST"};
constexpr int kFamilyWords = 3000;

using Clock = std::chrono::steady_clock;

/// The word of vocabulary rank r: one to five pseudo-random letters, then
/// four letters spelling r in base 26 (ranks below 26*26 stay short).
std::string WordOfRank(std::uint32_t rank, std::mt19937& random) {
    if (rank < 26) return std::string(1, static_cast<char>('A' + rank));
    if (rank < 26 + 676) {
        const std::uint32_t r = rank - 26;
        return {static_cast<char>('A' + r / 26), static_cast<char>('A' + r % 26)};
    }
    std::uniform_int_distribution<int> length(1, 5), letter(0, 25);
    std::string word;
    for (int n = length(random); n > 0; --n) word.push_back(static_cast<char>('A' + letter(random)));
    for (int digit = 0; digit < 4; ++digit) {
        word.push_back(static_cast<char>('A' + rank % 26));
        rank /= 26;
    }
    return word;
}

std::vector<std::string> MakeVocabulary() {
    std::mt19937 random(1);
    std::vector<std::string> words;
    words.reserve(kVocabulary);
    for (std::uint32_t rank = 0; rank < kVocabulary; ++rank) words.push_back(WordOfRank(rank, random));
    for (const auto& family : kFamilies)
        for (int n = 0; n < kFamilyWords; ++n) {
            std::string word = family;
            for (int v = n, digit = 0; digit < 3; ++digit, v /= 26) word.push_back(static_cast<char>('A' + v % 26));
            words.push_back(word);
        }
    return words;
}

/// Writes a work file and a table of contents, then builds the index set.
void BuildBenchIndex(const std::string& base, const std::vector<std::string>& words) {
    std::filesystem::create_directories(std::filesystem::path(base).parent_path());
    std::mt19937 random(2);
    // Zipf-like: rank r is drawn with weight 1 / (r + 10).
    std::vector<double> weights(words.size());
    for (std::size_t r = 0; r < words.size(); ++r) weights[r] = 1.0 / (static_cast<double>(r) + 10.0);
    std::discrete_distribution<std::size_t> pick(weights.begin(), weights.end());
    {
        platform::BufferedWriter temp(base + ".temp", platform::FileHandle::Mode::CreateTruncate);
        platform::BufferedWriter toc(base + ".toc", platform::FileHandle::Mode::CreateTruncate);
        for (int d = 1; d <= kDocuments; ++d) {
            std::vector<std::size_t> ranks;
            for (int n = 0; n < kWordsPerDocument; ++n) ranks.push_back(pick(random));
            std::sort(ranks.begin(), ranks.end());
            ranks.erase(std::unique(ranks.begin(), ranks.end()), ranks.end());
            for (const auto r : ranks) temp.Write(indexfiles::FormatWorkEntry(words[r], d) + "\r\n");
            toc.Write(indexfiles::FormatTocLine("http://bench.example/doc" + std::to_string(d) + ".html",
                                                "Document number " + std::to_string(d)) +
                      "\r\n");
        }
        temp.Close();
        toc.Close();
    }
    indexer::RunObserver quiet;
    indexer::BuildIndex(indexer::BuildSettings{base, false, false}, quiet);
}

/// The words of the dictionary, read back from ".dct".
std::vector<std::string> DictionaryWords(const std::string& base) {
    platform::FileHandle dct = platform::FileHandle::Open(base + ".dct", platform::FileHandle::Mode::Read);
    std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(dct.Size(), 0)), '\0');
    dct.ReadExactAt(bytes.data(), bytes.size(), 0);
    std::vector<std::string> words;
    for (std::size_t r = 0; r + 32 <= bytes.size(); r += 32) {
        std::string word = bytes.substr(r + 1, 27);
        word.erase(word.find_last_not_of(' ') + 1);
        words.push_back(word);
    }
    return words;
}

struct Measure {
    double seconds;
    long operations;
    long documents;
};

void Report(const char* name, const Measure& m) {
    std::printf("%-34s %8ld ops  %9.0f ops/s  %8.1f us/op  %10.1f documents/op\n", name, m.operations,
                m.operations / m.seconds, 1e6 * m.seconds / m.operations,
                static_cast<double>(m.documents) / m.operations);
}

/// Looks every term up with one search object, as the terms of one query are.
Measure TimeLookups(const std::string& base, const std::vector<std::string>& terms, int rounds) {
    search::TTARVO engine(base);
    engine.ReadExt();
    search::TBitSet set(500);
    long documents = 0;
    const auto start = Clock::now();
    for (int round = 0; round < rounds; ++round)
        for (const auto& term : terms) {
            engine.LookupTerm(set, term);
            for (std::int64_t b = set.NextSetBit(0); b >= 0; b = set.NextSetBit(static_cast<std::uint32_t>(b + 1)))
                ++documents;
        }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return {seconds, static_cast<long>(terms.size()) * rounds, documents};
}

/// Whole searches, each with its own search object, as each request has.
Measure TimeSearches(const std::string& base, const std::vector<std::string>& queries) {
    long documents = 0;
    const auto start = Clock::now();
    for (const auto& query : queries) {
        search::TTARVO engine(base);
        engine.Search(query);
        documents += engine.GetFoundCount();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return {seconds, static_cast<long>(queries.size()), documents};
}

}  // namespace

int main(int argc, char** argv) {
    std::string base = argc > 1 ? argv[1] : "/tmp/tarvo-bench-search/DataBase";
    if (argc <= 1 && !platform::FileExists(base + ".dct")) {
        std::printf("building the benchmark index in %s ...\n", base.c_str());
        const auto start = Clock::now();
        BuildBenchIndex(base, MakeVocabulary());
        std::printf("built in %.1f s\n", std::chrono::duration<double>(Clock::now() - start).count());
    }
    const std::vector<std::string> dictionary = DictionaryWords(base);
    if (dictionary.empty()) {
        std::fprintf(stderr, "no dictionary at %s.dct\n", base.c_str());
        return 1;
    }
    std::printf("index %s: %zu dictionary words\n", base.c_str(), dictionary.size());

    std::mt19937 random(3);
    std::uniform_int_distribution<std::size_t> anyWord(0, dictionary.size() - 1);
    std::vector<std::string> exact, shortTerms, wildcards, queries;
    for (int n = 0; n < 20000; ++n) exact.push_back(dictionary[anyWord(random)]);
    for (const auto& word : dictionary)
        if (word.size() <= 3) shortTerms.push_back(word);
    if (shortTerms.size() > 5000) shortTerms.resize(5000);
    for (const auto& family : kFamilies) wildcards.push_back(family + "*");
    // Frequent words make the boolean queries list many documents.
    std::uniform_int_distribution<std::size_t> common(0, std::min<std::size_t>(dictionary.size(), 2000) - 1);
    const char* operators[] = {"and", "or", "not", "", "&", "|"};
    for (int n = 0; n < 2000; ++n) {
        std::string query = dictionary[anyWord(random)];
        for (int t = 1; t < 5; ++t) {
            const std::string op = operators[random() % 6];
            query += (op.empty() ? " " : " " + op + " ") + dictionary[t % 2 ? common(random) : anyWord(random)];
        }
        queries.push_back(query);
    }

    Report("exact terms", TimeLookups(base, exact, 1));
    Report("short terms (1-3 characters)", TimeLookups(base, shortTerms, 1));
    Report("broad wildcards (3000 words each)", TimeLookups(base, wildcards, 20));
    Report("5-term boolean searches + listing", TimeSearches(base, queries));
    std::vector<std::string> frequent;
    for (int round = 0; round < 20; ++round)
        for (const char* word : {"A", "B", "C", "D", "E"}) frequent.push_back(word);
    Report("1-term searches listing thousands", TimeSearches(base, frequent));
    std::vector<std::string> missing;
    for (const auto& word : exact) missing.push_back(word + "QQ");
    Report("absent terms", TimeLookups(base, missing, 1));
    return 0;
}
