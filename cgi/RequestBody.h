// The request body as the engines see it: the one reading of the announced
// length ("CONTENT_LENGTH"), the multipart test, and the reading and dropping
// of a body that no one reads.
#pragma once

#include <string_view>

namespace cgi {

class THttpEngine;

/// How the announced length reads.
enum class TLengthKind {
    NotANumber,  ///< empty, blanks, letters, a lone sign, anything but one integer
    Number,      ///< an integer within 64 bits (it may be negative)
    AboveRange,  ///< a positive integer too long for 64 bits
    BelowRange,  ///< a negative integer too long for 64 bits
};

/// The announced length: an optional "+", then an integer (an optional "-",
/// decimal digits, leading zeros allowed) and nothing else.
struct TContentLength {
    TLengthKind kind = TLengthKind::NotANumber;
    long long value = 0;  ///< the integer while kind is Number, else 0
    /// The text begins with a positive integer too long for 64 bits, whatever
    /// follows it (then kind is AboveRange or, with text after it, NotANumber).
    bool startsAboveRange = false;

    /// The integer when it fits an int, else 0 (GetContentLength's rule).
    int AsInt() const noexcept;
    /// The integer; `aboveRange` for a positive integer past 64 bits; 0 for
    /// anything else. The callers choose what "too long for 64 bits" means.
    long long OrAboveRange(long long aboveRange) const noexcept;
};

TContentLength ParseContentLength(std::string_view text) noexcept;

/// The announced length as the engines compare it with their read limit: the
/// number, also beyond the int range (so the limit refuses it); a text that
/// begins with a number too long for 64 bits counts as the largest int,
/// whatever follows the digits (refused and logged, where GetContentLength
/// and the body drop read such a text as no number); 0 when absent or not a
/// number.
long long BodyLengthForReadLimit(std::string_view text) noexcept;

/// Whether the upper-cased content type names a multipart form body
/// ("MULTIPART/FORM-DATA;"): such a body is left for the handler to read.
bool IsMultipartFormData(std::string_view contentType);

/// The most of an unread request body that is read and dropped.
inline constexpr long long kMaxDroppedBody = 64LL * 1024 * 1024;

/// Reads and drops a request body that the engine left unread (longer than
/// `readLimit`, or multipart): a gateway that hands the body over while the
/// program runs (fcgiwrap behind nginx) fails such a request with
/// "502 Bad Gateway" when the program ends before taking it. Only the
/// announced length is read (at most kMaxDroppedBody), never more, so a
/// server that keeps standard input open cannot make the program wait.
void DropUnreadBody(THttpEngine& engine, int readLimit);

}  // namespace cgi
