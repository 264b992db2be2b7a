#include "commands.h"

#include <nlohmann/json.hpp>

#include "browse/entry_browser.h"
#include "browse/entry_walk.h"
#include "browse/icon_index.h"
#include "browse/parser_factory.h"
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

namespace {

// Opens the image and parses one volume of the standard scan, as the browse
// page does. Prints a one-line error and returns false when it cannot.
struct ParsedVolume {
    FileReadSeekVdi source;
    CXHtmlTree tree;
    CCheckListCtrl list;
    IconIndex icons;
    std::unique_ptr<VolumeParser> parser;

    bool open(const std::string& imagePath, size_t index, bool gpt, std::ostream& err) {
        if (!source.open(imagePath)) {
            err << "salvor-cli: " << imagePath << ": file not opened (not a readable VDI image)\n";
            return false;
        }
        Partition scan;
        scan.useGpt = gpt;
        scan.scanPartitionTables(source, source.diskSize() / 512);
        if (index >= scan.records.size()) {
            err << "salvor-cli: no volume " << index << " (the standard scan lists " << scan.records.size() << ")\n";
            return false;
        }
        const VolumeRecord& record = scan.records[index];
        parser = makeParser(parserKindFor(record.fileSystem));
        if (!parser) {
            err << "salvor-cli: volume " << index << " (" << record.fileSystem << "): not a valid drive.\n";
            return false;
        }
        parser->source = &source;
        parser->volume = record;
        parser->tree = &tree;
        parser->icons = &icons;
        if (!parser->parse() || parser->empty()) {
            err << "salvor-cli: volume " << index << " (" << record.fileSystem << ") could not be parsed\n";
            return false;
        }
        EntryBrowser browser(tree, list, *parser, icons);
        browser.finishTree();
        browser.renameRecycleBin();
        return true;
    }
};

}  // namespace

int runLs(const std::string& imagePath, const LsOptions& options, std::ostream& out, std::ostream& err) {
    ParsedVolume v;
    if (!v.open(imagePath, options.volume, options.gpt, err)) return kExitError;
    walkEntries(v.tree, *v.parser, [&](const WalkedEntry& e) {
        const bool dir = v.parser->isFolder(e.ref);
        const bool deleted = v.parser->isDeleted(e.ref);
        const EntryTexts t = v.parser->entryTimeTexts(e.ref);
        if (options.json) {
            nlohmann::json j = {{"path", e.path},
                                {"type", dir ? "dir" : "file"},
                                {"deleted", deleted},
                                {"size", v.parser->entrySize(e.ref)},
                                {"created", t.created},
                                {"accessed", t.accessed},
                                {"modified", t.modified},
                                {"attributes", t.attributes}};
            out << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
        } else {
            out << e.path << '\t' << (dir ? "d" : "f") << '\t' << (deleted ? "deleted" : "live") << '\t' << t.created
                << '\t' << t.accessed << '\t' << t.modified << '\t' << v.parser->entrySizeText(e.ref) << '\t'
                << t.attributes << '\n';
        }
    });
    return kExitOk;
}

}  // namespace salvor::cli
