#pragma once
// The scan-mode page. For now it takes the image path and offers Back; the scan
// choices follow.
#include <QString>

#include "app/wizard_page.h"

namespace salvor::gui {

class VhdInputDialog;

class DriveParsingModes : public WizardPage {
    Q_OBJECT
public:
    enum Id { IdBack = 1050, IdNext = 1053, IdHelp = 1326 };

    explicit DriveParsingModes(VhdInputDialog* owner);

    // The image page's path text, taken when the page opened.
    QString imagePath() const { return imagePath_; }

private:
    QString imagePath_;
};

}  // namespace salvor::gui
