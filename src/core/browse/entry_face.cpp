#include "browse/entry_face.h"

#include <cstring>

#include "image/read_write_interface.h"

namespace salvor {

bool VolumeParser::readVolume(int64_t offset, void* buffer, size_t n) const {
    if (!source || offset < 0) {
        std::memset(buffer, 0, n);
        return false;
    }
    return source->readAt(base_ + offset, buffer, n);
}

}  // namespace salvor
