// POSIX implementation of the environment block access.
#include "platform/Environment.h"

#include <cstdlib>
#include <unistd.h>

extern char** environ;

namespace platform {

std::optional<std::string> EnvironmentValue(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

std::vector<std::string> EnvironmentStrings() {
    std::vector<std::string> strings;
    if (environ == nullptr) return strings;
    for (char** entry = environ; *entry != nullptr; ++entry) strings.emplace_back(*entry);
    return strings;
}

bool SetEnvironmentValue(const std::string& name, const std::string& value) {
    if (name.empty() || name.find('=') != std::string::npos) return false;
    return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

void UnsetEnvironmentValue(const std::string& name) {
    if (!name.empty()) ::unsetenv(name.c_str());
}

}  // namespace platform
