// Query evaluation: terms and operator words combined left to right, and the
// listing of the documents found from the table of contents.
#include "search/TTARVO.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Utf8Text.h"
#include "search/QueryTokens.h"
#include "search/TocReader.h"

namespace search {

namespace {

/// Terms are separated by blanks, parentheses and double quotes; none of
/// them groups anything.
constexpr std::string_view kQueryDelimiters = " ()\"";

constexpr int kNoOperator = 0;
constexpr int kAndOperator = 1;
constexpr int kOrOperator = 2;
constexpr int kNotOperator = 3;

constexpr std::uint32_t kTermSetCapacity = 500;

}  // namespace

int TTARVO::OperatorCode(std::string_view token) noexcept {
    if (token == "&" || token == "AND") return kAndOperator;
    if (token == "|" || token == "OR") return kOrOperator;
    if (token == "!" || token == "NOT") return kNotOperator;
    return kNoOperator;
}

void TTARVO::CombineSets(const TBitSet& termSet, int code) {
    switch (code) {
        case kAndOperator: ResultSet.AndWith(termSet); break;
        case kOrOperator: ResultSet.OrWith(termSet); break;
        case kNotOperator: ResultSet.AndNotWith(termSet); break;
        default: break;
    }
}

void TTARVO::EvaluateQuery(std::string_view query) {
    TBitSet termSet(kTermSetCapacity);
    int pending = kNoOperator;
    bool first = true;
    // A UTF-8 query is cut where the tokenizer cuts, but never inside a character.
    if (CodePage == platform::IndexCodePage::Utf8 && query.size() > kMaxTokenText)
        query = query.substr(0, platform::Utf8CutLength(query, kMaxTokenText));
    ClearTokens();
    StartTokens(query, kQueryDelimiters);
    std::string token;
    while (NextToken(token)) {
        // Two delimiters in a row, or one at the start, give an empty token:
        // it separates nothing and the query goes on.
        if (token.empty()) continue;
        platform::UpperInPlace(CodePage, token);
        if (const int code = OperatorCode(token); code != kNoOperator) {
            pending = code;
            continue;
        }
        LookupTerm(termSet, token);
        if (WildcardError) break;
        if (first) {
            // The result set is empty here: the first term's documents become it.
            CombineSets(termSet, kOrOperator);
            first = false;
        } else {
            CombineSets(termSet, pending == kNoOperator ? kAndOperator : pending);
            pending = kNoOperator;
        }
    }
}

void TTARVO::Search(std::string_view query) {
    if (HasSnapshot()) {
        RunSearch(query);
        return;
    }
    // The files of the set are opened together first, so the whole search
    // reads one set, and closed again before the page is written.
    TakeSnapshot();
    RunSearch(query);
    DropSnapshot();
}

void TTARVO::RunSearch(std::string_view query) {
    ResultSet.Clear();
    WildcardError = false;
    ExtRecord.Count = 0;
    ReadExt();  // a missing ".ext" leaves one block
    // A set whose code page is unknown is not searched: its words could not be read.
    if (Status != kStatusCpg) EvaluateQuery(query);
    Titles.clear();
    Urls.clear();
    FoundCount = 0;
    if (WildcardError) {
        Titles.emplace_back(kWildcardMessage1);
        Titles.emplace_back(kWildcardMessage2);
        return;
    }
    if (Status > 0 || !OpenToc()) {
        Titles.emplace_back(kFileErrorMessage);
        return;
    }
    Listing = ListingCache != nullptr ? ListingCache->For(BasePath, TocFile, TocCount, CodePage) : nullptr;
    if (ListOnDemand) {
        FoundCount = ListDocuments([](std::string_view, std::string_view) {});
    } else {
        // The lists take their room at once: growing them step by step moves
        // every entry again and touches new memory at each step.
        const auto listed = static_cast<std::size_t>(std::min(ResultSet.Count(), static_cast<std::int64_t>(TocCount)));
        Titles.reserve(listed);
        Urls.reserve(listed);
        FoundCount = ListDocuments([this](std::string_view title, std::string_view url) {
            Urls.emplace_back(url);
            Titles.emplace_back(title);
        });
    }
    if (FoundCount == 0) {
        Titles.emplace_back(kNoRecordsMessage);
        ErrorCode = kNoRecordsErrorCode;
    }
    // Listing on demand reads the records again when the page is written.
    if (!ListOnDemand || FoundCount == 0) TocFile.Close();
}

std::int32_t TTARVO::ListKeptDocuments(const DocumentVisitor& visit) {
    // The listing holds every record of the file the search opened.
    const std::int64_t lastDocument = std::min<std::int64_t>(TocCount, Listing->Count());
    std::int32_t listed = 0;
    for (std::int64_t document = ResultSet.NextSetBit(1); document > 0 && document <= lastDocument;
         document = ResultSet.NextSetBit(static_cast<std::uint32_t>(document + 1))) {
        const TocEntry entry = Listing->Entry(document - 1);
        visit(entry.Title, entry.Url);
        ++listed;
    }
    return listed;
}

void TTARVO::VisitDocuments(const DocumentVisitor& visit) {
    if (!ListOnDemand || FoundCount == 0 || !TocFile.IsOpen()) return;
    ListDocuments(visit);
}

std::int32_t TTARVO::ListDocuments(const DocumentVisitor& visit) {
    if (Listing) return ListKeptDocuments(visit);
    // Document d is record d - 1. Neighbouring documents of the result are
    // read together, up to one window of records at a time.
    TocWindow window(TocFile, TocCount);
    const auto lastDocument = static_cast<std::int64_t>(TocCount);
    std::int32_t listed = 0;
    for (std::int64_t document = ResultSet.NextSetBit(1); document > 0 && document <= lastDocument;
         document = ResultSet.NextSetBit(static_cast<std::uint32_t>(document + 1))) {
        const std::int64_t record = document - 1;
        if (window.Record(record) == nullptr) {
            std::int64_t lastWanted = record;
            const std::int64_t windowEnd = record + static_cast<std::int64_t>(TocWindow::kMaxRecords);
            for (std::int64_t next = ResultSet.NextSetBit(static_cast<std::uint32_t>(document + 1));
                 next > 0 && next <= lastDocument && next - 1 < windowEnd;
                 next = ResultSet.NextSetBit(static_cast<std::uint32_t>(next + 1)))
                lastWanted = next - 1;
            window.Load(record, static_cast<std::size_t>(lastWanted - record + 1));
        }
        const unsigned char* bytes = window.Record(record);
        if (bytes == nullptr) continue;  // unreadable record: skipped without a message
        const TocEntry entry = ReadTocEntry(bytes);
        visit(entry.Title, entry.Url);
        ++listed;
    }
    return listed;
}

}  // namespace search
