#include "commands.h"

#include "discovery/partition.h"
#include "discovery/volume_scan.h"
#include "image/vdi_header.h"
#include "image/vdi_reader.h"

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

int runVolumes(const std::string& imagePath, const VolumesOptions& options, std::ostream& out, std::ostream& err) {
    FileReadSeekVdi source;
    if (!source.open(imagePath)) {
        err << "salvor-cli: " << imagePath << ": file not opened (not a readable VDI image)\n";
        return kExitError;
    }
    Partition scan;
    configureScan(scan, options.advanced ? 2 : 1, options.gpt, options.noSkip, options.startSector, options.endSector);
    const int64_t diskSectors = source.diskSize() / 512;
    const bool ok = options.advanced ? scan.scanSectors(source, diskSectors, nullptr) == 1
                                     : scan.scanPartitionTables(source, diskSectors) == 0;
    for (size_t i = 0; i < scan.records.size(); ++i) {
        const VolumeRecord& r = scan.records[i];
        out << i << '\t' << r.fileSystem << '\t' << r.sizeText << '\t' << r.startSector << '\n';
    }
    if (!ok) err << "salvor-cli: a read of the image failed; the volumes found before it are listed\n";
    return kExitOk;
}

}  // namespace salvor::cli
