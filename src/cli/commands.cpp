#include "commands.h"

#include <nlohmann/json.hpp>

#include "browse/entry_browser.h"
#include "browse/entry_walk.h"
#include "browse/icon_index.h"
#include "browse/parser_factory.h"
#include "browse/saver.h"
#include "fs/ntfs/ntfs.h"

#include <cstring>
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

namespace {
// Opens the image as the volume list page does; a one-line error when it cannot.
bool openImage(FileReadSeekVdi& source, const std::string& imagePath, std::ostream& err) {
    if (source.open(imagePath)) return true;
    err << "salvor-cli: " << imagePath << ": file not opened (not a readable VDI image)\n";
    return false;
}
}  // namespace

int runVolumes(const std::string& imagePath, const VolumesOptions& options, std::ostream& out, std::ostream& err) {
    FileReadSeekVdi source;
    if (!openImage(source, imagePath, err)) return kExitError;
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

    bool open(const std::string& imagePath, size_t index, bool gpt, const ModeOptions& mode, std::ostream& err) {
        if (!openImage(source, imagePath, err)) return false;
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
        if (mode.mode != "standard") {
            auto* n = dynamic_cast<ntfs*>(parser.get());
            if (!n) {
                err << "salvor-cli: --mode " << mode.mode << " is for NTFS volumes\n";
                return false;
            }
            n->recoveryMode = mode.mode == "deep" ? 3 : 2;
            if (n->recoveryMode == 2) {
                // What the advanced-input page does before Next.
                n->prepareVolume();
                n->readBootSector();
                n->findMftCopies(std::max<uint32_t>(3, static_cast<uint32_t>(mode.candidate + 1)));
                if (mode.candidate >= n->foundMfts.size()) {
                    err << "salvor-cli: no MFT copy " << mode.candidate << " (found " << n->foundMfts.size() << ")\n";
                    return false;
                }
                n->chosenCandidate = mode.candidate;
                const int bootSectors = n->bootSector[0x0D];
                n->chosenClusterSectors = mode.clusterSectors > 0 ? mode.clusterSectors
                                          : (bootSectors > 0 && bootSectors <= 128 && std::memcmp(n->bootSector + 3, "NTFS", 4) == 0)
                                              ? bootSectors
                                              : 8;
            }
        }
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
    if (!v.open(imagePath, options.volume, options.gpt, options.mode, err)) return kExitError;
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

namespace {

// The entries a path as ls prints it names (several when names repeat, as a
// deleted file beside a live one); the first level comes from the tree.
std::vector<EntryRef> resolve(const ParsedVolume& v, const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t slash = path.find('/', start);
        parts.push_back(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    std::vector<EntryRef> current;
    if (parts.empty() || parts[0] != v.tree.itemText(v.tree.rootItem())) return current;
    for (TreeItem c = v.tree.firstChild(v.tree.rootItem()); c; c = v.tree.nextSibling(c)) {
        const uint64_t data = v.tree.itemData(c);
        if (parts.size() > 1 && data != kNoData && v.parser->validRef(data) && v.tree.itemText(c) == parts[1]) current.push_back(data);
    }
    for (size_t i = 2; i < parts.size(); ++i) {
        std::vector<EntryRef> next;
        for (EntryRef r : current) {
            if (!v.parser->isFolder(r)) continue;
            for (auto c = v.parser->firstChildOf(r); c; c = v.parser->nextSiblingOf(*c))
                if (v.parser->entryName(*c) == parts[i]) next.push_back(*c);
        }
        current = std::move(next);
    }
    return current;
}

}  // namespace

int runSave(const std::string& imagePath, const SaveOptions& options, std::ostream& out, std::ostream& err) {
    std::string error;
    auto dir = platform::OutputDir::open(options.out, error);
    if (!dir) {
        err << "salvor-cli: output folder " << error << "\n";
        return kExitError;
    }
    ParsedVolume v;
    if (!v.open(imagePath, options.volume, options.gpt, options.mode, err)) return kExitError;
    Saver saver(*v.parser, nullptr, nullptr);
    saver.onFile = [&](const std::string& path, const EntryFace::SaveOutcome& o) {
        out << path << (o.written && o.complete ? "" : "\t(not written whole)") << '\n';
    };
    const std::string rootText = v.tree.itemText(v.tree.rootItem());
    std::vector<std::string> paths = options.paths;
    if (paths.empty()) paths.push_back(rootText);
    for (const std::string& path : paths) {
        if (path == rootText) {
            // The whole volume: the first level as the tree shows it.
            for (TreeItem c = v.tree.firstChild(v.tree.rootItem()); c; c = v.tree.nextSibling(c)) {
                const uint64_t data = v.tree.itemData(c);
                if (data != kNoData && v.parser->validRef(data)) saver.saveItem(data, *dir);
            }
            continue;
        }
        const std::vector<EntryRef> refs = resolve(v, path);
        if (refs.empty()) {
            err << "salvor-cli: no entry " << path << "\n";
            return kExitError;
        }
        for (EntryRef r : refs) {
            if (v.parser->isSaveFolder(r)) saver.saveContents(r, *dir);
            else saver.saveFile(r, *dir);
        }
    }
    const SaveReport& rep = saver.report();
    for (const std::string& p : rep.problems) err << "salvor-cli: " << p << "\n";
    out << "files: " << rep.files << ", bytes: " << rep.bytes << ", not written whole: " << rep.incomplete + rep.failed
        << '\n';
    return rep.incomplete + rep.failed == 0 ? kExitOk : kExitPartial;
}

int runCandidates(const std::string& imagePath, const CandidatesOptions& options, std::ostream& out, std::ostream& err) {
    FileReadSeekVdi source;
    if (!openImage(source, imagePath, err)) return kExitError;
    Partition scan;
    scan.useGpt = options.gpt;
    scan.scanPartitionTables(source, source.diskSize() / 512);
    if (options.volume >= scan.records.size() || parserKindFor(scan.records[options.volume].fileSystem) != ParserKind::Ntfs) {
        err << "salvor-cli: volume " << options.volume << " is not an NTFS volume of the standard scan\n";
        return kExitError;
    }
    ntfs finder;
    finder.source = &source;
    finder.volume = scan.records[options.volume];
    finder.prepareVolume();
    finder.readBootSector();
    finder.findMftCopies(options.max < 1 ? 3 : options.max);
    for (size_t i = 0; i < finder.foundMfts.size(); ++i) out << i << '\t' << finder.foundMfts[i] << '\n';
    return kExitOk;
}

}  // namespace salvor::cli
