# The source files of the product's libraries, named one by one: a file that
# is missing stops the configure step instead of leaving a library short.
# The main build and the fuzz build (fuzz/CMakeLists.txt) both take their
# lists from here.
get_filename_component(TARVO_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

function(tarvo_source_list variable folder)
  list(TRANSFORM ARGN PREPEND ${TARVO_SOURCE_ROOT}/${folder}/)
  set(${variable} ${ARGN} PARENT_SCOPE)
endfunction()

# Stand-ins for the operating-system services the programs use.
tarvo_source_list(TARVO_PLATFORM_SOURCES platform
  BufferedWriter.cpp CodePage.cpp Component.cpp DateTimeText.cpp DirectorySearch.cpp
  Environment.cpp File.cpp FileLocking.cpp FileReplace.cpp FileTimes.cpp Folders.cpp
  InterruptRequest.cpp LocalTime.cpp MappedFile.cpp OpenErrors.cpp PathNames.cpp
  ProcessInfo.cpp ProfileFile.cpp QuitSignals.cpp ServerSocket.cpp ShellOpen.cpp StandardStreams.cpp
  TextLineReader.cpp Timer.cpp UserRegistry.cpp Utf8Text.cpp WindowTitle.cpp)

# The indexing engine (no GUI dependency).
tarvo_source_list(TARVO_ENGINE_SOURCES indexer/engine
  DocumentCharset.cpp DocumentReader.cpp EntityDecoder.cpp FileList.cpp IndexBuilder.cpp
  IndexSetPublisher.cpp IndexingRun.cpp ParsingPhase.cpp ProjectFile.cpp StoredDefaults.cpp
  WordList.cpp WordRules.cpp WorkFileKeys.cpp WorkFileSort.cpp)

# The search object, the bit set and query evaluation; the main form
# (Unit1.cpp) and the program start-up (tarvocgi.cpp) belong to tarvocgi.
tarvo_source_list(TARVO_SEARCH_SOURCES search
  DictionaryOrder.cpp DictionaryReader.cpp IndexSnapshot.cpp PostingReader.cpp
  QueryEvaluation.cpp QueryTokens.cpp RequestCharset.cpp TBitSet.cpp TTARVO.cpp TermWords.cpp TocListing.cpp
  TocReader.cpp)

# The CGI request layer.
tarvo_source_list(TARVO_CGI_SOURCES cgi
  CgiEngine.cpp CgiRelay.cpp CgiSEng.cpp CgiStreams.cpp CgiWEng.cpp FcgiEng.cpp GenEng.cpp HUtils.cpp
  HttpEng.cpp RequestBody.cpp)
