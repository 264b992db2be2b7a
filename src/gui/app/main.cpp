#include <QApplication>

#include "app/salvor_app.h"
#include "platform/qt_prompter.h"

int main(int argc, char** argv) {
    // Taken before anything is shown, so a second instance shows nothing else.
    salvor::platform::InstanceGuard guard;
    QApplication qtApp(argc, argv);
    salvor::gui::QtPrompter prompter;
    salvor::platform::setPrompter(&prompter);
    salvor::gui::CSalvorApp app(guard);
    app.InitInstance(true);
    salvor::platform::setPrompter(nullptr);
    return 0;
}
