#pragma once
// Opens committed test images by name: unpacks `NAME.zst` from the fixture
// folder into the build tree once, and reads the JSON manifests beside them.
#include <nlohmann/json.hpp>
#include <string>

namespace salvor::test {

// Path of the unpacked fixture `name` (for example "pattern-dynamic.vdi").
// Throws std::runtime_error when it cannot be unpacked.
std::string fixturePath(const std::string& name);

// The manifest `name`.json of the fixture folder.
nlohmann::json manifest(const std::string& name);

// A fresh empty folder under the build tree for a test's own files.
std::string scratchFolder(const std::string& testName);

// Writes `bytes` to `path` (a small hand-made fixture).
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

}  // namespace salvor::test
