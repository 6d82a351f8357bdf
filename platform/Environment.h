// The process environment block: reading, listing and (for test programs and
// child processes) setting environment variables.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

/// The value of an environment variable, or nullopt when it is not set.
std::optional<std::string> EnvironmentValue(const std::string& name);

/// Every "NAME=value" string of the process environment, in the block's order.
std::vector<std::string> EnvironmentStrings();

/// Sets (replacing) an environment variable of this process. Returns false
/// when the name is empty or holds "=".
bool SetEnvironmentValue(const std::string& name, const std::string& value);

/// Removes an environment variable of this process; a missing one is no error.
void UnsetEnvironmentValue(const std::string& name);

}  // namespace platform
