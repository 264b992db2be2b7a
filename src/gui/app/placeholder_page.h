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

// The recovery-mode page (caption "Dialog") and the raw recovery page.
PlaceholderPage* makeRecoveryModePage(WizardPage* owner);
PlaceholderPage* makeRawRecoveryPage(WizardPage* owner);

}  // namespace salvor::gui
