#include "browse/parser_factory.h"

#include "discovery/volume_record.h"
#include "fs/fat/fat.h"
#include "fs/ntfs/ntfs.h"

namespace salvor {

ParserKind parserKindFor(const std::string& fs) {
    if (equalsNoCase(fs, "ntfs")) return ParserKind::Ntfs;
    if (equalsNoCase(fs, "fat32")) return ParserKind::Fat32;
    if (equalsNoCase(fs, "fat16") || equalsNoCase(fs, "fat") || equalsNoCase(fs, "fat12")) return ParserKind::Fat16;
    if (equalsNoCase(fs, "extX")) return ParserKind::Ext;
    if (equalsNoCase(fs, "fat64") || equalsNoCase(fs, "exFat")) return ParserKind::Exfat;
    if (equalsNoCase(fs, "HFS+")) return ParserKind::Hfsplus;
    return ParserKind::None;
}

std::unique_ptr<VolumeParser> makeParser(ParserKind kind) {
    switch (kind) {
        case ParserKind::Ntfs: return std::make_unique<ntfs>();
        case ParserKind::Fat32: return std::make_unique<Fat32Class>();
        case ParserKind::Fat16: return std::make_unique<Fat16Class>();
        default: return nullptr;
    }
}

std::string fileSystemPrefix(const std::string& fs) {
    size_t i = 0;
    while (i < fs.size() && (fs[i] == ' ' || fs[i] == '\t')) ++i;
    return fs.substr(i, 3);
}

ModeOffer modesFor(const std::string& fs) {
    const std::string prefix = fileSystemPrefix(fs);
    ModeOffer m;
    if (equalsNoCase(prefix, "fat") || equalsNoCase(prefix, "exF")) m.deep = false;
    else if (equalsNoCase(prefix, "ext")) m.deep = m.advanced = false;
    else if (equalsNoCase(prefix, "HFS")) m.advanced = false;
    return m;
}

}  // namespace salvor
