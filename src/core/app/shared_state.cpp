#include "app/shared_state.h"

#include "image/read_write_interface.h"

namespace salvor {

void SharedState::reset() {
    currentSource.reset();
    diskSectorCount = 0;
    imageSourceTag = 0;
    driveFormatted = false;
}

SharedState& sharedState() {
    static SharedState state;
    return state;
}

}  // namespace salvor
