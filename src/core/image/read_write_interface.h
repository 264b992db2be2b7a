#pragma once
// The sector source: a flat virtual disk of 512-byte sectors behind an image
// file. Each image format maps virtual-disk bytes to places in its file
// (mapExtent); reading, zero-filling of unallocated areas and the seek/read
// pair are the same for every format and live here.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/file.h"

namespace salvor {

inline constexpr int64_t kSectorSize = 512;

class readWriteInterface {
public:
    virtual ~readWriteInterface() = default;

    // Opens the image read-only and prepares its map. A file that cannot be
    // opened for reading shows "invalid handle ..."; a header that does not fit
    // the file makes it return false without a message.
    virtual bool open(const std::string& path) = 0;

    // Positions at `position` + baseOffset. `origin` 0 counts from the start of
    // the disk, 1 from the current position. False when the place lies outside
    // the image's map (the position is still taken).
    virtual bool seek(int64_t position, int origin = 0);

    // Reads `byteCount` bytes from the current position and advances it. True
    // when every byte was delivered; bytes that could not be delivered (outside
    // the map, failed or short file read) read as zeros.
    virtual bool read(void* buffer, uint32_t byteCount);

    // Positioned read of the virtual disk at an absolute byte offset (baseOffset
    // is not applied; the current position is not used or changed). Same result
    // rule as read(). Safe to call from several threads at once.
    bool readAt(int64_t diskOffset, void* buffer, size_t n) const;

    // Virtual disk size in bytes as the image header states it.
    virtual int64_t diskSize() const = 0;
    // Bytes of virtual disk covered by the image's map (positions below it can
    // be sought).
    virtual int64_t mappedSize() const = 0;
    // Whether the byte at `diskOffset` lies in an allocated part of the image.
    virtual bool allocatedAt(int64_t diskOffset) const = 0;

    // Serialises use of the source when a page and its worker both need it.
    std::recursive_mutex& guard() const { return guard_; }

    // Added to every seek position; parsers set it to their volume's first byte.
    int64_t baseOffset = 0;
    // Length of the image file in bytes.
    int64_t fileSize = 0;
    // Whether the block under the current position is allocated.
    bool blockAllocated = true;
    // The last position sought or reached by read (without baseOffset).
    int64_t position = 0;

protected:
    // A run of virtual-disk bytes with the same kind of backing.
    struct Extent {
        enum Kind { Data, Zero, Outside } kind = Outside;
        const platform::ReadOnlyFile* file = nullptr;
        int64_t fileOffset = 0;
        int64_t length = 0;  // bytes, at least 1 for Data and Zero
    };
    // Maps the bytes from `diskOffset` on (at most `maxLength` of them need to
    // be described, more may be).
    virtual Extent mapExtent(int64_t diskOffset, int64_t maxLength) const = 0;

private:
    mutable std::recursive_mutex guard_;
};

}  // namespace salvor
