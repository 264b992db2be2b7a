#pragma once
// The parse dispatch: which parser reads a volume, by its file-system text
// (compared without regard to case).
#include <memory>
#include <string>

#include "browse/entry_face.h"

namespace salvor {

enum class ParserKind { None, Ntfs, Fat32, Fat16, Ext, Exfat, Hfsplus };

ParserKind parserKindFor(const std::string& fileSystem);

// A new parser for the kind, or null while that file system has no parser.
std::unique_ptr<VolumeParser> makeParser(ParserKind kind);

// The first three characters of a file-system text after leading blanks: what
// the recovery-mode page decides its modes by.
std::string fileSystemPrefix(const std::string& fileSystem);

struct ModeOffer {
    bool standard = true;
    bool advanced = true;
    bool deep = true;
};
ModeOffer modesFor(const std::string& fileSystem);

}  // namespace salvor
