#pragma once
// Values the wizard pages hand on to each other for the whole run.
#include <cstdint>
#include <memory>
#include <string>

namespace salvor {

class readWriteInterface;

// Fixed application title: every page's window title and every box's caption.
inline constexpr const char* kApplicationTitle = "Salvor 0.1";
inline constexpr const char* kProductHomepage = "https://salvor.invalid/";

// Tag the image page sets once an image has been chosen.
inline constexpr int kImageChosenTag = 142;

struct SharedState {
    // The one current sector source; replaced by each scan and export.
    std::unique_ptr<readWriteInterface> currentSource;
    // Virtual disk size in 512-byte sectors.
    int64_t diskSectorCount = 0;
    // kImageChosenTag once an image was chosen, else 0.
    int imageSourceTag = 0;
    // "Is Drive Formated..?" of the recovery-mode page.
    bool driveFormatted = false;

    void reset();
};

SharedState& sharedState();

}  // namespace salvor
