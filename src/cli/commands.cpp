#include "commands.h"

#include "image/vdi_header.h"

namespace salvor::cli {

int runInfo(const std::string& imagePath, std::ostream& out, std::ostream& err) {
    VdiHeader h;
    std::string error;
    if (!readVdiHeaderFile(imagePath, h, error)) {
        err << "salvor-cli: " << error << "\n";
        return kExitError;
    }
    if (!h.hasSignature()) {
        err << "salvor-cli: " << imagePath << " is not a VDI image (no VDI signature)\n";
        return kExitError;
    }
    out << "File Format Version: " << h.formatVersion << "\n"
        << "Size of HDD: " << h.sizeInMegabytes() << " MB\n"
        << "Sector per track: " << h.sectorsPerTrack << "\n"
        << "Head: " << h.heads << "\n"
        << "Cylinder: " << h.cylinders << "\n";
    return kExitOk;
}

}  // namespace salvor::cli
