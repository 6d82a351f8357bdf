// The page handling of the help viewer, without widgets: reading a frame set,
// dividing space among its frames, and rewriting a page's links and picture
// sources so the viewer can follow them from any pane.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace indexer {

/// One frame set or one frame of a frame-set page.
struct FrameNode {
    bool isFrameSet = false;
    bool columns = false;             ///< a frame set dividing side by side (cols=), else one above the other
    std::vector<std::string> sizes;   ///< the rows= or cols= sizes, e.g. "30%", "200", "*"
    std::vector<FrameNode> children;  ///< frames and nested frame sets, in page order
    std::string source;               ///< a frame's src=
    std::string name;                 ///< a frame's name=
};

/// The outermost frame set of a page, or nothing for an ordinary page.
std::optional<FrameNode> ParseFrameSet(std::string_view html);

/// Divides `total` pixels among `count` panes by their sizes: plain
/// numbers are pixels, "n%" a share of the total, "*" and "n*" share what is
/// left by weight. A missing size counts as "*". The panes always
/// add up to `total` exactly (the last pane takes any rounding remainder).
std::vector<int> DivideSpace(const std::vector<std::string>& sizes, std::size_t count, int total);

/// The scheme of the link addresses that PreparePage writes:
/// "tarvo-link:" target "|" absolute path [ "|" anchor ].
inline constexpr std::string_view kLinkScheme = "tarvo-link:";

/// A followed link, decoded from an address PreparePage wrote.
struct LinkTarget {
    std::string frame;   ///< target frame name; empty for the pane of the link
    std::string path;    ///< absolute path of the page
    std::string anchor;  ///< named place in the page; may be empty
};

/// Decodes an address written by PreparePage; nothing for any other text.
std::optional<LinkTarget> DecodeLink(std::string_view address);

/// Rewrites a page read from `pageFolder`: every relative href= and src=
/// becomes absolute; every href= to a page (not "#place" alone, not an
/// address with a scheme such as "http:") is written in the link scheme
/// with the tag's target= (empty when none).
std::string PreparePage(std::string_view html, std::string_view pageFolder);

}  // namespace indexer
