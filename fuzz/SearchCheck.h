// What every search must give, whatever its query and its index files: a
// listing whose titles and URLs go in step, no more documents than ".toc"
// holds, and a message line instead of documents when it found none.
#pragma once

#include "fuzz/FuzzSupport.h"
#include "search/TTARVO.h"

namespace fuzz {

inline void CheckSearchOutcome(const search::TTARVO& engine) {
    const auto found = static_cast<std::size_t>(engine.GetFoundCount());
    if (engine.GetFoundCount() < 0) Fail("negative found count");
    if (found > 0) {
        if (engine.GetTitles().size() != found || engine.GetUrls().size() != found)
            Fail("titles and URLs out of step with the found count");
        if (engine.GetFoundCount() > engine.TocRecordCount()) Fail("more documents found than the set holds");
    } else if (engine.GetTitles().empty()) {
        Fail("a search without documents gave no message");
    }
}

}  // namespace fuzz
