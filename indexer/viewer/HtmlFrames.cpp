// Frame sets, space division and link rewriting for the help viewer.
#include "indexer/viewer/HtmlFrames.h"

#include <cstdlib>

#include "platform/CodePage.h"
#include "platform/PathNames.h"

namespace indexer {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

/// One attribute of a tag, with where its value lies in the page.
struct Attribute {
    std::string name;                          ///< upper-cased
    std::string value;                         ///< without quotes
    std::size_t valueBegin = 0, valueEnd = 0;  ///< the value's bytes in the page, quotes included
};

/// A tag read from the page: its upper-cased name (with a leading '/' for
/// an end tag), its attributes, and where it ends.
struct Tag {
    std::string name;
    std::vector<Attribute> attributes;
    std::size_t end = 0;  ///< one past the '>'

    const Attribute* Find(std::string_view attributeName) const {
        for (const auto& attribute : attributes)
            if (attribute.name == attributeName) return &attribute;
        return nullptr;
    }
};

/// Reads the tag that starts at html[start] == '<'.
Tag ReadTag(std::string_view html, std::size_t start) {
    Tag tag;
    std::size_t i = start + 1;
    while (i < html.size() && !IsSpace(html[i]) && html[i] != '>') tag.name += platform::AsciiUpperChar(html[i++]);
    while (i < html.size() && html[i] != '>') {
        while (i < html.size() && (IsSpace(html[i]) || html[i] == '/')) ++i;
        if (i >= html.size() || html[i] == '>') break;
        Attribute attribute;
        while (i < html.size() && !IsSpace(html[i]) && html[i] != '=' && html[i] != '>')
            attribute.name += platform::AsciiUpperChar(html[i++]);
        while (i < html.size() && IsSpace(html[i])) ++i;
        if (i < html.size() && html[i] == '=') {
            ++i;
            while (i < html.size() && IsSpace(html[i])) ++i;
            attribute.valueBegin = i;
            if (i < html.size() && (html[i] == '"' || html[i] == '\'')) {
                const char quote = html[i++];
                const std::size_t close = html.find(quote, i);
                const std::size_t stop = close == std::string_view::npos ? html.size() : close;
                attribute.value = std::string(html.substr(i, stop - i));
                i = stop == html.size() ? stop : stop + 1;
            } else {
                while (i < html.size() && !IsSpace(html[i]) && html[i] != '>') attribute.value += html[i++];
            }
            attribute.valueEnd = i;
        }
        if (attribute.name.empty()) ++i;  // a stray character: step over it
        else tag.attributes.push_back(std::move(attribute));
    }
    tag.end = i < html.size() ? i + 1 : html.size();
    return tag;
}

/// Calls `visit` for every tag of the page, skipping comments.
template <typename Visit>
void ForEachTag(std::string_view html, Visit visit) {
    std::size_t i = 0;
    while ((i = html.find('<', i)) != std::string_view::npos) {
        if (html.substr(i, 4) == "<!--") {
            const std::size_t close = html.find("-->", i + 4);
            if (close == std::string_view::npos) return;
            i = close + 3;
            continue;
        }
        const Tag tag = ReadTag(html, i);
        visit(tag, i);
        i = tag.end;
    }
}

std::vector<std::string> SplitSizes(std::string_view text) {
    std::vector<std::string> sizes;
    std::string current;
    for (char c : text) {
        if (c == ',') {
            sizes.push_back(current);
            current.clear();
        } else if (!IsSpace(c)) {
            current += c;
        }
    }
    sizes.push_back(current);
    return sizes;
}

bool HasScheme(std::string_view address) {
    const auto colon = address.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = address[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
              c == '.'))
            return false;
    }
    return true;
}

std::string LinkAddress(std::string_view target, std::string_view pageFolder, std::string_view href) {
    const auto hash = href.find('#');
    const std::string_view path = href.substr(0, hash);
    const std::string_view anchor = hash == std::string_view::npos ? std::string_view{} : href.substr(hash + 1);
    std::string address =
        std::string(kLinkScheme) + std::string(target) + "|" + platform::ResolveAgainst(pageFolder, path);
    if (!anchor.empty()) address += "|" + std::string(anchor);
    return address;
}

}  // namespace

std::optional<FrameNode> ParseFrameSet(std::string_view html) {
    std::vector<FrameNode> open;  // frame sets not yet closed, outermost first
    std::optional<FrameNode> outermost;
    ForEachTag(html, [&](const Tag& tag, std::size_t) {
        if (outermost) return;
        if (tag.name == "FRAMESET") {
            FrameNode set;
            set.isFrameSet = true;
            if (const Attribute* cols = tag.Find("COLS")) {
                set.columns = true;
                set.sizes = SplitSizes(cols->value);
            } else if (const Attribute* rows = tag.Find("ROWS")) {
                set.sizes = SplitSizes(rows->value);
            }
            open.push_back(std::move(set));
        } else if (tag.name == "/FRAMESET" && !open.empty()) {
            FrameNode done = std::move(open.back());
            open.pop_back();
            if (open.empty()) outermost = std::move(done);
            else open.back().children.push_back(std::move(done));
        } else if (tag.name == "FRAME" && !open.empty()) {
            FrameNode frame;
            if (const Attribute* src = tag.Find("SRC")) frame.source = src->value;
            if (const Attribute* name = tag.Find("NAME")) frame.name = name->value;
            open.back().children.push_back(std::move(frame));
        }
    });
    // A frame set left open at the end of the page still counts.
    while (!outermost && !open.empty()) {
        FrameNode done = std::move(open.back());
        open.pop_back();
        if (open.empty()) outermost = std::move(done);
        else open.back().children.push_back(std::move(done));
    }
    return outermost;
}

std::vector<int> DivideSpace(const std::vector<std::string>& sizes, std::size_t count, int total) {
    std::vector<int> parts(count, 0);
    if (count == 0) return parts;
    std::vector<double> weights(count, 0.0);
    int used = 0;
    double weightSum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string spec = i < sizes.size() ? sizes[i] : "*";
        if (!spec.empty() && spec.back() == '*') {
            weights[i] = spec.size() == 1 ? 1.0 : std::max(0.0, std::atof(spec.c_str()));
            weightSum += weights[i];
        } else if (!spec.empty() && spec.back() == '%') {
            parts[i] = static_cast<int>(total * std::max(0.0, std::atof(spec.c_str())) / 100.0);
        } else {
            parts[i] = std::max(0, std::atoi(spec.c_str()));
        }
        used += parts[i];
    }
    const int left = std::max(0, total - used);
    for (std::size_t i = 0; i < count && weightSum > 0; ++i)
        if (weights[i] > 0) parts[i] = static_cast<int>(left * weights[i] / weightSum);
    // The parts fill the space exactly: the last absorbs any difference,
    // taking from earlier parts when fixed sizes asked for too much.
    int sum = 0;
    for (int part : parts) sum += part;
    int difference = total - sum;
    for (std::size_t i = count; i-- > 0 && difference != 0;) {
        const int change = std::max(difference, -parts[i]);
        parts[i] += change;
        difference -= change;
    }
    return parts;
}

std::optional<LinkTarget> DecodeLink(std::string_view address) {
    if (address.substr(0, kLinkScheme.size()) != kLinkScheme) return std::nullopt;
    address.remove_prefix(kLinkScheme.size());
    const auto first = address.find('|');
    if (first == std::string_view::npos) return std::nullopt;
    LinkTarget link;
    link.frame = std::string(address.substr(0, first));
    const std::string_view rest = address.substr(first + 1);
    const auto second = rest.find('|');
    link.path = std::string(rest.substr(0, second));
    if (second != std::string_view::npos) link.anchor = std::string(rest.substr(second + 1));
    return link;
}

std::string PreparePage(std::string_view html, std::string_view pageFolder) {
    std::string out;
    std::size_t copied = 0;
    auto replaceValue = [&](const Attribute& attribute, const std::string& value) {
        out.append(html.substr(copied, attribute.valueBegin - copied));
        out += '"' + value + '"';
        copied = attribute.valueEnd;
    };
    ForEachTag(html, [&](const Tag& tag, std::size_t) {
        // Attribute positions are in page order within the tag.
        const Attribute* target = tag.Find("TARGET");
        for (const auto& attribute : tag.attributes) {
            if (attribute.valueEnd == 0 || attribute.value.empty()) continue;
            if (attribute.name == "HREF" && tag.name == "A") {
                if (attribute.value.front() == '#' || HasScheme(attribute.value)) continue;
                replaceValue(attribute, LinkAddress(target ? target->value : "", pageFolder, attribute.value));
            } else if (attribute.name == "SRC" && !HasScheme(attribute.value) &&
                       !platform::IsAbsolutePath(attribute.value)) {
                replaceValue(attribute, platform::ResolveAgainst(pageFolder, attribute.value));
            }
        }
    });
    out.append(html.substr(copied));
    return out;
}

}  // namespace indexer
