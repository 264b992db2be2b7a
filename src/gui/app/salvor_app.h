#pragma once
// Application start: the single-instance guard, then the image page as the main
// window.
#include <memory>
#include <string>

#include "platform/instance_guard.h"

namespace salvor::gui {

class VhdInputDialog;

class CSalvorApp {
public:
    explicit CSalvorApp(platform::InstanceGuard& guard);
    ~CSalvorApp();

    // Refuses a second instance with "Another instance of application is
    // already running"; otherwise shows the image page, and with `runModal`
    // runs it until it closes. Always returns false: the process ends when the
    // image page does.
    bool InitInstance(bool runModal = true);

    // The image page once InitInstance has created it.
    VhdInputDialog* mainPage() const { return mainPage_.get(); }

    // The scratch folder under the temporary-files folder, ending with '/'.
    static std::string workingFolder();

private:
    platform::InstanceGuard& guard_;
    std::unique_ptr<VhdInputDialog> mainPage_;
};

}  // namespace salvor::gui
