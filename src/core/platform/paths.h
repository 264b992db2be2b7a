#pragma once
// Folders the program needs: the temporary-files folder, its scratch folder
// under it, and the folder of the running executable.
#include <string>

namespace salvor::platform {

// The user's temporary-files folder ($TMPDIR, else /tmp), ending with '/'.
std::string tempFolder();

// The scratch folder: tempFolder() + "AryInfoVexdor", created when missing
// (an existing one is fine), always ending with '/'.
std::string workingFolder();

// Folder of the running executable, ending with '/'.
std::string executableFolder();

// Joins two path pieces with exactly one '/' between them.
std::string joinPath(const std::string& a, const std::string& b);

}  // namespace salvor::platform
