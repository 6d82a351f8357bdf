// Fuzz target: Windows CGI profiles (TCGIIniFile) of arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cgi/CgiWEng.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::ScratchPath("request.ini");
    fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(data), size));

    const cgi::TCGIIniFile profile(path);
    for (const auto& section : profile.SectionNames()) {
        (void)profile.ReadString(section, "Request Method", "");
        (void)profile.HasKey(section, "Content Length");
    }
    (void)profile.ReadString("CGI", "Query String", "");
    (void)profile.ReadString("System", "Output File", "");
    for (const auto& field : profile.FieldNames()) {
        (void)profile.ReadString("Form Literal", field, "");
        (void)profile.ReadString("Form External", field, "");
    }
    return 0;
}
