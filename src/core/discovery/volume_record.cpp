#include "discovery/volume_record.h"

#include <cctype>
#include <cstdint>

namespace salvor {

int64_t leadingNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t v = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        const int d = text[i] - '0';
        if (v > (INT64_MAX - d) / 10) {
            v = INT64_MAX;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
            break;
        }
        v = v * 10 + d;
    }
    return negative ? -v : v;
}

bool equalsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace salvor
