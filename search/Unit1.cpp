// The search program's main form: the hidden form with its CGI engine
// component, the message table of the nine languages and the request handler.
#include "search/Unit1.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "cgi/HUtils.h"
#include "cgi/HttpEng.h"
#include "platform/Utf8Text.h"
#include "search/RequestCharset.h"

namespace search {
namespace {

constexpr std::string_view kSeparator = "~|~";
constexpr std::string_view kNotApplicable = "Not Applicable";
/// The setting that moves the index folder away from the program folder.
constexpr std::string_view kIndexFolderVariable = "TARVO_INDEX_DIR";

struct Language {
    std::string_view code;
    std::int32_t offset;
    std::array<std::string_view, 4> messages;
};

// The languages in the order their codes are compared, each with its message
// block. Texts are Windows-1252 bytes, except "\xB9", the Slovenian "š" as
// its Latin-2 (ISO-8859-2) byte. The English block is the search's own texts.
// clang-format off
constexpr std::array<Language, 9> kLanguages{{
    {"en", 0, {kWildcardMessage1, kWildcardMessage2, kFileErrorMessage, kNoRecordsMessage}},
    {"sp", 100,
     {"Todos los caracteres \"comodines\"", "deben estar despu\xE9s del 3er car\xE1" "cter.",
      "\xA1" "Errores de archivo!", "No existe registro"}},
    {"da", 200,
     {"Alle jokertegn (*) skal s\xE6ttes", "efter det 3. tegn.", "Fil fejl!", "Ingen forekomster fundet"}},
    {"nl", 300,
     {"Alle wildcard-tekens mogen", "pas na het derde teken.", "Bestandsproblemen!", "Geen records gevonden"}},
    {"sl", 400,
     {"Zvezdica pri iskanju se lahko", "uporabi \xB9" "ele na tretjem mestu.", "Napaka v datoteki!",
      "Ni zadetkov"}},
    {"fr", 500,
     {"Tout caract\xE8re g\xE9n\xE9rique doit", "\xEAtre utilis\xE9 apr\xE8s le 3\xE8me caract\xE8re.",
      "Erreurs fichier", "Aucune page trouv\xE9" "e"}},
    {"de", 600,
     {"Alle wildcard beichen m\xFCssen", "nach dem dritten zeichen stehen.", "Dateifehler!",
      "Keine aufnahme gefunden"}},
    {"no", 700,
     {"Skriv minst 3 bokstaver/ tall", "f\xF8r bruk av jokertegn.", "Fil-feil!", "Ingen treff"}},
    {"it", 800,
     {"Ogni metacarattere deve", "essere dopo il terzo carattere.", "Errori su file", "Nessun record trovato"}},
}};
// clang-format on

// The lines are built into the caller's string, whose block is kept from
// line to line, so listing thousands of documents allocates almost nothing.
void BuildFieldLine(std::string& line, std::string_view first, std::string_view second) {
    line.clear();
    line.reserve(first.size() + second.size() + 3 * kSeparator.size());
    line += first;
    line += kSeparator;
    line += second;
    line += kSeparator;
    line += kSeparator;
}

std::string_view MessageLine(std::string& line, std::string_view text) {
    BuildFieldLine(line, text, kNotApplicable);
    return line;
}

std::string_view DocumentLine(std::string& line, std::string_view title, std::string_view url) {
    BuildFieldLine(line, title, url);
    return line;
}

// The Slovenian messages are ISO-8859-2 bytes; every other text of the page
// is Windows-1252.
bool MessagesAreLatin2(std::int32_t languageOffset) noexcept { return languageOffset == LanguageOffsetOf("sl"); }

// Whether every byte is ASCII. A results page runs every title and URL
// through here, so the bytes are taken eight at a time, four words a step,
// and a short rest as the last eight bytes again.
bool IsAscii(std::string_view text) noexcept {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    constexpr std::size_t kWord = sizeof(std::uint64_t);
    const auto word = [](const char* at) {
        std::uint64_t bits;
        std::memcpy(&bits, at, kWord);
        return bits;
    };
    std::uint64_t bits = 0;
    if (text.size() < kWord) {
        for (const char ch : text) bits |= static_cast<unsigned char>(ch);
        return (bits & kHighBits) == 0;
    }
    const char* at = text.data();
    std::size_t left = text.size();
    for (; left >= 4 * kWord; at += 4 * kWord, left -= 4 * kWord)
        bits |= word(at) | word(at + kWord) | word(at + 2 * kWord) | word(at + 3 * kWord);
    for (; left >= kWord; at += kWord, left -= kWord) bits |= word(at);
    if (left > 0) bits |= word(text.data() + text.size() - kWord);
    return (bits & kHighBits) == 0;
}

// Hands each line to the page in the page's character set. A line that is
// all ASCII is the same in every character set and goes as it is: most
// titles and URLs are.
class PageLineWriter {
public:
    PageLineWriter(PageCharset charset, platform::IndexCodePage textCodePage,
                   const std::function<void(std::string_view)>& writeLn)
        : charset_(charset), textCodePage_(textCodePage), writeLn_(writeLn) {}

    /// A line of a document's title and URL, in the set's code page.
    void DocumentLine(std::string_view line) const {
        if (charset_ == PageCharset::kUtf8 && textCodePage_ != platform::IndexCodePage::Utf8 && !IsAscii(line))
            writeLn_(platform::CodePageToUtf8(line, textCodePage_));
        else writeLn_(line);
    }
    /// A message line, in Windows-1252 or ISO-8859-2.
    void MessageLine(std::string_view line, platform::TextCharset messageCharset) const {
        if (charset_ == PageCharset::kWindows1252 || IsAscii(line)) {
            writeLn_(line);
        } else if (charset_ == PageCharset::kUtf8) {
            writeLn_(messageCharset == platform::TextCharset::Iso88592 ? platform::Iso88592ToUtf8(line)
                                                                       : platform::Windows1252ToUtf8(line));
        } else {
            writeLn_(platform::ConvertText(line, messageCharset, platform::IndexCodePage::Windows1250));
        }
    }

private:
    PageCharset charset_;
    platform::IndexCodePage textCodePage_;
    const std::function<void(std::string_view)>& writeLn_;
};

// Gives the engine the content type of one page and its own value back
// afterwards: a relay server answers later requests with the same engine.
class ContentTypeScope {
public:
    ContentTypeScope(cgi::THttpEngine& engine, std::string_view contentType)
        : engine_(engine), saved_(std::exchange(engine.AutoContentType, std::string(contentType))) {}
    ~ContentTypeScope() { engine_.AutoContentType = std::move(saved_); }
    ContentTypeScope(const ContentTypeScope&) = delete;
    ContentTypeScope& operator=(const ContentTypeScope&) = delete;

private:
    cgi::THttpEngine& engine_;
    std::string saved_;
};

// The ".toc" listings a process that answers many searches keeps, shared by
// its worker threads.
TocListingCache& KeptTocListings() {
    static TocListingCache listings;
    return listings;
}

bool IsUtf8RequestOn(cgi::THttpEngine& engine) {
    const std::string charsetField = cgi::HttpGetField(kCharsetFieldName);
    return IsUtf8Request(charsetField, engine.GetRequestMethod(), engine.GetContentType());
}

void WritePage(const SearchAnswer& answer, std::int32_t languageOffset, PageCharset charset,
               platform::IndexCodePage textCodePage) {
    cgi::HttpWriteLn("<HTML><BODY>");
    cgi::HttpWriteLn("<!--start of data-->");
    WriteDataLines(answer, languageOffset, charset, textCodePage,
                   [](std::string_view line) { cgi::HttpWriteLn(line); });
    cgi::HttpWriteLn("<!--end of data-->");
    cgi::HttpWriteLn("</BODY></HTML>");
}

bool IsFileErrorCode(int code) noexcept { return code >= kFirstFileErrorCode && code <= kLastFileErrorCode; }

bool HasDriveLetter(std::string_view path) noexcept {
    if (path.size() < 2 || path[1] != ':') return false;
    const char letter = path[0];
    return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

bool HasParentComponent(std::string_view path) noexcept {
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        if (path.substr(start, end - start) == "..") return true;
        start = end + 1;
    }
    return false;
}

bool HasControlCharacter(std::string_view text) noexcept {
    for (const char ch : text) {
        if (static_cast<unsigned char>(ch) < 32) return true;
    }
    return false;
}

// The refused value as it goes into the one-line log: control characters
// would break the line, so they are shown as "?".
std::string LoggableText(std::string_view text) {
    std::string shown(text);
    for (char& ch : shown) {
        if (static_cast<unsigned char>(ch) < 32) ch = '?';
    }
    return shown;
}

}  // namespace

std::int32_t LanguageOffsetOf(std::string_view code) noexcept {
    for (const Language& language : kLanguages) {
        if (language.code == code) return language.offset;
    }
    return 0;
}

std::string_view MessageText(std::int32_t offset, int number) noexcept {
    for (const Language& language : kLanguages) {
        if (language.offset == offset && number >= 0 && number < static_cast<int>(language.messages.size())) {
            return language.messages[static_cast<std::size_t>(number)];
        }
    }
    return {};
}

std::optional<std::string> IndexBasePath(std::string_view indexFolder, std::string_view volumeName) {
    std::string relative(volumeName);
    for (char& ch : relative) {
        if (ch == '\\') ch = '/';
    }
    if (HasControlCharacter(relative) || (!relative.empty() && relative.front() == '/') || HasDriveLetter(relative) ||
        HasParentComponent(relative)) {
        return std::nullopt;
    }
    return std::string(indexFolder) + relative;
}

std::string IndexFolder(std::string_view programDirectory, std::string_view setting) {
    if (setting.empty()) return std::string(programDirectory);
    std::string folder(setting);
    if (folder.front() != '/') folder.insert(0, programDirectory);
    if (folder.back() != '/') folder += '/';
    return folder;
}

std::string FileErrorLogLine(std::string_view volumeName, const TFileFailure& failure) {
    std::string line(volumeName);
    for (char& ch : line) {
        if (ch == '\\') ch = '/';
    }
    line += failure.Extension;
    line += ": ";
    line += failure.ErrorNumber != 0 ? std::strerror(failure.ErrorNumber) : "damaged";
    return LoggableText(line);
}

PageCharset PageCharsetFor(bool utf8Request, platform::IndexCodePage setCodePage) noexcept {
    if (utf8Request) return PageCharset::kUtf8;
    switch (setCodePage) {
        case platform::IndexCodePage::Windows1250: return PageCharset::kWindows1250;
        case platform::IndexCodePage::Utf8: return PageCharset::kUtf8;
        default: return PageCharset::kWindows1252;
    }
}

void WriteDataLines(const SearchAnswer& answer, std::int32_t languageOffset, PageCharset charset,
                    platform::IndexCodePage textCodePage, const std::function<void(std::string_view)>& writeLn) {
    const PageLineWriter page(charset, textCodePage, writeLn);
    const platform::TextCharset messageCharset =
        MessagesAreLatin2(languageOffset) ? platform::TextCharset::Iso88592 : platform::TextCharset::Windows1252;
    const auto messageLine = [&](std::string& line, int number) {
        page.MessageLine(MessageLine(line, MessageText(languageOffset, number)), messageCharset);
    };
    std::string line = std::to_string(answer.foundCount);
    line += kSeparator;
    line += kSeparator;
    writeLn(line);
    const int code = answer.errorCode;
    if (IsFileErrorCode(code)) {
        messageLine(line, kMessageFileError);
    } else if (code == kWildcardErrorCode) {
        messageLine(line, kMessageWildcard1);
        messageLine(line, kMessageWildcard2);
    } else if (code == kNoRecordsErrorCode) {
        messageLine(line, kMessageNoRecords);
    } else if (answer.foundCount >= 1 && answer.visitDocuments) {
        answer.visitDocuments(
            [&](std::string_view title, std::string_view url) { page.DocumentLine(DocumentLine(line, title, url)); });
    } else {
        for (std::size_t i = 0; i < answer.titles.size(); ++i) {
            if (answer.foundCount >= 1) {
                // A URL list shorter than the titles leaves the URL empty
                // rather than reading past its end.
                const std::string_view url = i < answer.urls.size() ? std::string_view(answer.urls[i]) : "";
                page.DocumentLine(DocumentLine(line, answer.titles[i], url));
            } else {
                // The search's own messages, in English.
                page.MessageLine(MessageLine(line, answer.titles[i]), platform::TextCharset::Windows1252);
            }
        }
    }
}

void WriteDataLines(const SearchAnswer& answer, std::int32_t languageOffset, PageCharset charset,
                    const std::function<void(std::string_view)>& writeLn) {
    WriteDataLines(answer, languageOffset, charset, platform::IndexCodePage::Windows1252, writeLn);
}

void WriteDataLines(const SearchAnswer& answer, std::int32_t languageOffset,
                    const std::function<void(std::string_view)>& writeLn) {
    WriteDataLines(answer, languageOffset, PageCharset::kWindows1252, writeLn);
}

std::int32_t AnswerSearchRequest(cgi::THttpEngine& engine) {
    std::string volumeName;
    cgi::HttpGetField("volumeName", "", volumeName);
    const std::string indexSetting = engine.GetRequestSetting(kIndexFolderVariable);
    const std::optional<std::string> basePath =
        IndexBasePath(IndexFolder(cgi::ModuleDirectory() + "/", indexSetting), volumeName);

    const bool utf8Request = IsUtf8RequestOn(engine);
    std::string searchWords;
    cgi::HttpGetField("searchWords", "", searchWords);
    // A request refused before any set is read is answered as a Windows-1252 set's.
    platform::IndexCodePage codePage = platform::IndexCodePage::Windows1252;
    // The search object lives until the page is written: the answer's lists are its own.
    std::optional<TTARVO> tarvo;
    SearchAnswer answer;
    if (basePath) {
        tarvo.emplace(*basePath);
        // The page's lines are written straight from ".toc": a result of
        // thousands of documents is never held in memory as a whole.
        tarvo->SetListOnDemand(true);
        if (engine.ServesManyRequests()) tarvo->SetTocListingCache(&KeptTocListings());
        // The set's code page, read with its other files, says how to read the words.
        tarvo->TakeSnapshot();
        codePage = tarvo->GetCodePage();
        tarvo->Search(QueryInCodePage(searchWords, utf8Request, codePage));
        tarvo->DropSnapshot();
        answer.foundCount = tarvo->GetFoundCount();
        answer.errorCode = tarvo->TakeErrorCode();
        answer.titles = tarvo->GetTitles();
        answer.urls = tarvo->GetUrls();
        answer.visitDocuments = [&tarvo](const TTARVO::DocumentVisitor& visit) { tarvo->VisitDocuments(visit); };
        if (IsFileErrorCode(answer.errorCode)) cgi::WriteLog(FileErrorLogLine(volumeName, tarvo->GetFileFailure()));
    } else {
        const std::string_view folder = indexSetting.empty() ? "program folder" : "index folder";
        cgi::WriteLog("volumeName refused, it leaves the " + std::string(folder) + ": " + LoggableText(volumeName));
        answer.errorCode = kRefusedVolumeErrorCode;
    }

    std::string language;
    cgi::HttpGetField("language", "en", language);
    const std::int32_t languageOffset = LanguageOffsetOf(language);
    const PageCharset charset = PageCharsetFor(utf8Request, codePage);
    std::optional<ContentTypeScope> contentType;
    if (charset == PageCharset::kUtf8) contentType.emplace(engine, kUtf8PageContentType);
    if (charset == PageCharset::kWindows1250) contentType.emplace(engine, kWindows1250PageContentType);
    WritePage(answer, languageOffset, charset, codePage);
    return languageOffset;
}

TForm1::TForm1(platform::TComponent* owner) : platform::TForm(owner), GeneralHttpEngine1(CreateEngineComponent()) {
    SetName("Form1");
    SetCaption("Form1");
    SetWindowState(platform::TWindowState::wsMinimized);
    NotifyOwnedLoaded();
}

cgi::TGeneralHttpEngine& TForm1::CreateEngineComponent() {
    auto& engine = CreateOwned<cgi::TGeneralHttpEngine>();
    engine.SetName("GeneralHttpEngine1");
    engine.SetAutoContentType("text/html");
    engine.SetBufferedOutput(false);
    engine.SetCgiAutoTerminate(true);
    engine.SetNoCache(false);
    // The handler never reads the body: the engine takes and drops what it left unread.
    engine.SetDropsUnreadBody(true);
    engine.SetOnExecRequest([this](cgi::THttpEngine& sender) { GeneralHttpEngine1ExecRequest(sender); });
    return engine;
}

void TForm1::LanguageMessage(int number, std::string& text) const { text = MessageText(LanguageOffset, number); }

void TForm1::GeneralHttpEngine1ExecRequest(cgi::THttpEngine& Sender) { LanguageOffset = AnswerSearchRequest(Sender); }

}  // namespace search
