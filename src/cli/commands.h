#pragma once
// The command-line twin of the wizard: each command runs what a page runs and
// prints it for scripts. Exit status 2: bad arguments or an unreadable image.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace salvor::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitPartial = 1;
inline constexpr int kExitError = 2;

// Prints the image page's information block for a VDI image.
int runInfo(const std::string& imagePath, std::ostream& out, std::ostream& err);

struct VolumesOptions {
    bool gpt = false;
    bool advanced = false;
    bool noSkip = false;
    int64_t startSector = 0;
    int64_t endSector = 0;
};

// Runs the volume list page's scan and prints one line per volume, tab
// separated: row index, file system, size text, start sector.
int runVolumes(const std::string& imagePath, const VolumesOptions& options, std::ostream& out, std::ostream& err);

// How an NTFS volume is parsed: its recovery mode and, for advanced, the MFT
// copy and the cluster size.
struct ModeOptions {
    std::string mode = "standard";  // standard, advanced, deep
    size_t candidate = 0;
    int clusterSectors = 0;         // 0: the boot sector's, else 8
};

struct LsOptions {
    size_t volume = 0;
    bool gpt = false;
    bool json = false;
    ModeOptions mode;
};

// Parses a volume of the standard scan as the browse page does in Standard
// mode and prints every entry the tree can reach.
int runLs(const std::string& imagePath, const LsOptions& options, std::ostream& out, std::ostream& err);

struct SaveOptions {
    size_t volume = 0;
    bool gpt = false;
    ModeOptions mode;
    std::string out;
    std::vector<std::string> paths;  // as ls prints them; none: the whole volume
};

// Saves entries of a volume into a folder as the browse page's folder save
// writes them. 0: everything written whole; 1: some files not; 2: bad
// arguments or an unreadable volume.
int runSave(const std::string& imagePath, const SaveOptions& options, std::ostream& out, std::ostream& err);

struct CandidatesOptions {
    size_t volume = 0;
    bool gpt = false;
    uint32_t max = 3;
};

// The MFT copies the advanced-input page finds: index and byte offset in the volume.
int runCandidates(const std::string& imagePath, const CandidatesOptions& options, std::ostream& out, std::ostream& err);

}  // namespace salvor::cli
