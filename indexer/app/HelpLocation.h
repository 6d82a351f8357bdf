// Where the desktop program finds its help pages: beside the program file in
// "Help/" (a build tree, or a copy of the program with its pages), else in
// the installed help folder reached from the program's folder
// (<prefix>/bin/../share/tarvo/help).
#pragma once

#include <string>
#include <string_view>

namespace indexer {

/// The help start page's file name.
inline constexpr std::string_view kHelpStartPage = "TARVO.HTM";

/// The start page for the program in `programFolder`: "Help/TARVO.HTM"
/// beside the program when that file exists, else the installed pages'
/// TARVO.HTM when that exists, else the path beside the program (which the
/// caller then finds missing).
std::string HelpStartPagePath(const std::string& programFolder);

}  // namespace indexer
