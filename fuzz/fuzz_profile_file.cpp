// Fuzz target: the profile (INI) reader. Parses the input, reads and writes
// keys, and checks that a written value reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "platform/ProfileFile.h"

namespace {

/// Values whose reading the profile promises to keep: no control byte, no
/// longer than a read returns.
bool IsPlainValue(std::string_view value) {
    if (value.size() > platform::kProfileValueLimit) return false;
    for (const char c : value)
        if (static_cast<unsigned char>(c) < 32) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::string value(input.Until('\n'));
    const std::string_view text = input.Rest();

    platform::ProfileFile profile = platform::ProfileFile::Parse(text);
    for (const char* section : {"Options", "Paths", "", "options"})
        for (const char* key : {"delimiters", "filelist", "digitmin", ""}) (void)profile.ReadString(section, key);

    profile.WriteString("Options", "delimiters", value);
    profile.WriteString("New Section", "key", value);
    if (IsPlainValue(value)) {
        if (profile.ReadString("Options", "delimiters") != value) fuzz::Fail("written value reads back changed");
        const platform::ProfileFile again = platform::ProfileFile::Parse(profile.Text());
        if (again.ReadString("Options", "delimiters") != value) fuzz::Fail("saved value reads back changed");
        if (again.ReadString("new section", "KEY") != value) fuzz::Fail("new section value reads back changed");
    }
    profile.DeleteKey("Options", "delimiters");
    profile.DeleteKey("Paths", "database");
    (void)profile.Text();
    return 0;
}
