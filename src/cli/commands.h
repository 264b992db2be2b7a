#pragma once
// The command-line twin of the wizard: each command runs what a page runs and
// prints it for scripts. Exit status 2: bad arguments or an unreadable image.
#include <ostream>
#include <string>

namespace salvor::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitPartial = 1;
inline constexpr int kExitError = 2;

// Prints the image page's information block for a VDI image.
int runInfo(const std::string& imagePath, std::ostream& out, std::ostream& err);

}  // namespace salvor::cli
