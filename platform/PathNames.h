// Path texts and the working folder: splitting a path into folder and file
// name, resolving a relative path against a folder, and reading or changing
// the process's working folder. Paths are byte strings with '/' separators.
#pragma once

#include <string>
#include <string_view>

namespace platform {

/// True when the path starts at the root ("/...").
bool IsAbsolutePath(std::string_view path) noexcept;

/// The folder part of a path without its trailing separator ("/a/b.txt" ->
/// "/a", "b.txt" -> "", "/b.txt" -> "/").
std::string DirectoryOf(std::string_view path);

/// The file name part of a path, after the last separator.
std::string FileNameOf(std::string_view path);

/// `path` itself when it is absolute or empty; otherwise `folder` joined with
/// it by one separator. The result is not normalised and need not exist.
std::string ResolveAgainst(std::string_view folder, std::string_view path);

/// The process's working folder; empty when the system cannot tell it.
std::string CurrentDirectory();

/// Makes `folder` the working folder. Returns errno, 0 on success.
int ChangeDirectory(const std::string& folder) noexcept;

/// The folder of the running program file (symlinks resolved); empty when
/// the system cannot tell it.
std::string ProgramDirectory();

}  // namespace platform
