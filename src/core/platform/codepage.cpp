#include "platform/codepage.h"

#include <cerrno>
#include <iconv.h>
#include <vector>

namespace salvor::platform {

namespace {
void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}
constexpr uint32_t kReplacement = 0xFFFD;
}  // namespace

std::string codePageToUtf8(const char* bytes, size_t n, const char* codepage) {
    std::string out;
    iconv_t cd = iconv_open("UTF-8", codepage);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // Unknown code page: keep ASCII, replace the rest.
        for (size_t i = 0; i < n; ++i) {
            auto c = static_cast<unsigned char>(bytes[i]);
            if (c < 0x80) out.push_back(static_cast<char>(c));
            else appendUtf8(out, kReplacement);
        }
        return out;
    }
    std::vector<char> in(bytes, bytes + n);
    char* inp = in.data();
    size_t inLeft = n;
    std::vector<char> buf(n * 4 + 16);
    while (inLeft > 0) {
        char* outp = buf.data();
        size_t outLeft = buf.size();
        size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        out.append(buf.data(), buf.size() - outLeft);
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // Invalid or incomplete byte: replace it and go on.
            appendUtf8(out, kReplacement);
            ++inp;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

std::string utf16ToUtf8(const uint8_t* bytes, size_t units, bool bigEndian, bool stopAtNul) {
    std::string out;
    out.reserve(units);
    auto unitAt = [&](size_t i) -> uint32_t {
        const uint8_t a = bytes[2 * i], b = bytes[2 * i + 1];
        return bigEndian ? (static_cast<uint32_t>(a) << 8 | b) : (static_cast<uint32_t>(b) << 8 | a);
    };
    for (size_t i = 0; i < units; ++i) {
        uint32_t u = unitAt(i);
        if (u == 0 && stopAtNul) break;
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < units) {
                uint32_t lo = unitAt(i + 1);
                if (lo >= 0xDC00 && lo <= 0xDFFF) {
                    appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                    ++i;
                    continue;
                }
            }
            appendUtf8(out, kReplacement);
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

std::u16string utf8ToUtf16(const std::string& s) {
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        uint32_t cp;
        size_t len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
        else { out.push_back(static_cast<char16_t>(kReplacement)); ++i; continue; }
        if (i + len > s.size()) { out.push_back(static_cast<char16_t>(kReplacement)); break; }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) { out.push_back(static_cast<char16_t>(kReplacement)); ++i; continue; }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

}  // namespace salvor::platform
