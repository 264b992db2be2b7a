#pragma once
// SHA-256 of a byte string, to check saved files against the manifests.
#include <string>

namespace salvor::test {
std::string sha256Hex(const std::string& data);
}
