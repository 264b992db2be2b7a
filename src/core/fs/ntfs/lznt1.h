#pragma once
// LZNT1, the compression of NTFS compression units: a unit is a series of
// chunks, each of at most 4096 output bytes, stored compressed or as is.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace salvor::ntfs_format {

// Decompresses `n` bytes into `out` (cleared first), at most `limit` bytes.
// Stops at a chunk header of 0, at the end of the input or when the output is
// full. False when a chunk is damaged (what was decoded before it stays).
bool lznt1Decompress(const uint8_t* in, size_t n, size_t limit, std::vector<uint8_t>& out);

}  // namespace salvor::ntfs_format
