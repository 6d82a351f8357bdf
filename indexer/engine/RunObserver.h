// How an indexing run talks to its front end: the progress labels it fills,
// the points at which it lets pending messages through, and the stop request
// it reads. A front end (the desktop window, the command line, a test)
// overrides what it needs; the defaults do nothing and never ask to stop, so
// `indexer::RunObserver quiet;` drives a headless run.
#pragma once

#include <string_view>

namespace indexer {

class RunObserver {
public:
    RunObserver() = default;
    virtual ~RunObserver() = default;
    RunObserver(const RunObserver&) = delete;
    RunObserver& operator=(const RunObserver&) = delete;

    /// The phase of the run: "Parsing Files", "Sorting Words", "Building Index", "Done".
    virtual void ShowCurrentStep(std::string_view /*text*/) {}
    /// The number of the document read last, as decimal text.
    virtual void ShowFilesProcessed(std::string_view /*text*/) {}
    /// The file name (without folder) of the current entry's document; empty
    /// when the entry named no existing file.
    virtual void ShowCurrentFileName(std::string_view /*text*/) {}
    /// An entry of the file list that names a path but matched no file: its
    /// path part as written. Called in list order, after the entry's empty
    /// ShowCurrentFileName.
    virtual void ShowEntryWithoutDocument(std::string_view /*pathPart*/) {}
    /// The project names a stopword file that does not exist: the run goes
    /// on without stopwords, so every word is indexed.
    virtual void ShowStopwordFileMissing(std::string_view /*path*/) {}
    /// The number of dictionary words written so far, as decimal text; empty
    /// at the start of a run.
    virtual void ShowWordTotal(std::string_view /*text*/) {}
    /// Date and time at which the run started.
    virtual void ShowStartTime(std::string_view /*text*/) {}
    /// Date and time at which the run ended; empty at the start of a run.
    virtual void ShowEndTime(std::string_view /*text*/) {}
    /// The activity indicator while the words are sorted: one Windows-1252
    /// character out of 0x96, '\', '|', '/'. Shown when the sort starts.
    virtual void ShowIndicate(std::string_view /*text*/) {}
    /// The activity indicator is hidden when the sort ends.
    virtual void HideIndicate() {}
    /// Lets pending window messages through (the desktop app pumps its event
    /// loop here, so that a click on "Abort" can set the stop request).
    virtual void LetMessagesThrough() {}
    /// True once the user asked the run to stop; every phase reads it.
    virtual bool StopRequested() { return false; }
};

}  // namespace indexer
