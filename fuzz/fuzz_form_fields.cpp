// Fuzz target: URL decoding and form-field extraction of the CGI layer.
// Input: a field name, a newline, then the URL-encoded form data.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cgi/HUtils.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::string_view name = input.Until('\n');
    const std::string_view form = input.Rest();

    if (cgi::UrlDecode(form).size() > form.size()) fuzz::Fail("decoded text longer than its input");
    const std::string trimmed = cgi::TrimBlanks(form);
    if (!trimmed.empty() &&
        (static_cast<unsigned char>(trimmed.front()) <= 32 || static_cast<unsigned char>(trimmed.back()) <= 32))
        fuzz::Fail("trimmed text keeps a blank at an end");

    (void)cgi::ExtractField(name, form, cgi::kNotAvailable);
    const auto names = cgi::SplitFieldNames(form);
    for (const auto& field : names) (void)cgi::ExtractField(field, form, "");
    for (std::size_t i = 1; i < names.size(); ++i)
        if (names[i] == names[i - 1]) fuzz::Fail("field name listed twice in a row");
    return 0;
}
