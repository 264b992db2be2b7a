#pragma once
// A page that is reached but not built yet: its caption, a line saying what it
// will do, and Back.
#include "app/wizard_page.h"

namespace salvor::gui {

class PlaceholderPage : public WizardPage {
    Q_OBJECT
public:
    PlaceholderPage(const QString& caption, const QString& note, WizardPage* owner);
};

// The raw recovery page.
PlaceholderPage* makeRawRecoveryPage(WizardPage* owner);

}  // namespace salvor::gui
