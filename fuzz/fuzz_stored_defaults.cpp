// Fuzz target: the stored-defaults file. Reads the word defaults from a store
// file of fuzzed bytes, then writes values and checks that they read back and
// that the values already there survive the rewrite.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "indexer/engine/StoredDefaults.h"
#include "platform/UserRegistry.h"

namespace {

bool SameValue(const std::optional<platform::RegistryValue>& a, const std::optional<platform::RegistryValue>& b) {
    if (a.has_value() != b.has_value()) return false;
    if (!a) return true;
    return a->type == b->type && a->text == b->text && a->number == b->number;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputReader input(data, size);
    const std::string written(input.Until('\n'));
    const std::string path = fuzz::ScratchPath("defaults");
    fuzz::WriteFile(path, input.Rest());

    platform::UserRegistry registry(path);
    indexer::StoredDefaults defaults(registry);
    indexer::WordDefaults words = indexer::BuiltInWordDefaults();
    try {
        indexer::LoadWordDefaults(defaults, words, indexer::MissingDefaults::Leave);
    } catch (const indexer::StoredDefaultsError&) {
        // A value of the wrong type is reported, not read.
    }

    const std::string delimitersKey = std::string(indexer::StoredDefaults::kRootKey) + "delimiters";
    const std::string digitminKey = std::string(indexer::StoredDefaults::kRootKey) + "digitmin";
    const auto digitminBefore = registry.QueryValue(digitminKey, "int");
    if (!registry.SetString(delimitersKey, "", written)) fuzz::Fail("a string value could not be stored");
    const auto readBack = registry.QueryValue(delimitersKey, "");
    if (!readBack || readBack->type != platform::RegistryValue::Type::String || readBack->text != written)
        fuzz::Fail("stored string reads back changed");
    if (!SameValue(digitminBefore, registry.QueryValue(digitminKey, "int")))
        fuzz::Fail("another value changed when a string was stored");
    if (!registry.SetInt32(digitminKey, "int", static_cast<std::int32_t>(size) - 1000))
        fuzz::Fail("an integer value could not be stored");
    if (defaults.ReadDefaultInt("digitmin") != static_cast<std::int32_t>(size) - 1000)
        fuzz::Fail("stored integer reads back changed");
    return 0;
}
