#include "app/salvor_app.h"

#include "app/vhd_input_dialog.h"
#include "platform/paths.h"
#include "platform/prompter.h"

namespace salvor::gui {

CSalvorApp::CSalvorApp(platform::InstanceGuard& guard) : guard_(guard) {}

CSalvorApp::~CSalvorApp() = default;

bool CSalvorApp::InitInstance(bool runModal) {
    if (!guard_.acquire()) {
        platform::prompter().message("Another instance of application is already running");
        return false;
    }
    mainPage_ = std::make_unique<VhdInputDialog>();
    if (runModal) {
        mainPage_->exec();
    } else {
        mainPage_->show();
    }
    return false;
}

std::string CSalvorApp::workingFolder() { return platform::workingFolder(); }

}  // namespace salvor::gui
