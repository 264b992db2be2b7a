#pragma once
// Text conversion. Internally all text is UTF-8; names on disk come as UTF-16LE
// (NTFS, exFAT, FAT long names, HFS+ as big-endian) or in a code page (FAT short
// names).
#include <cstddef>
#include <cstdint>
#include <string>

namespace salvor::platform {

// Bytes in `codepage` (an iconv name such as "CP1252" or "CP437") -> UTF-8.
// Bytes that cannot be converted become U+FFFD.
std::string codePageToUtf8(const char* bytes, size_t n, const char* codepage = "CP1252");

// UTF-16 code units (little- or big-endian bytes) -> UTF-8. Unpaired
// surrogates become U+FFFD. Stops at the first NUL unit when stopAtNul is set.
std::string utf16ToUtf8(const uint8_t* bytes, size_t units, bool bigEndian = false, bool stopAtNul = false);

// UTF-8 -> UTF-16 code units.
std::u16string utf8ToUtf16(const std::string& s);

}  // namespace salvor::platform
