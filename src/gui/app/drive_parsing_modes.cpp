#include "app/drive_parsing_modes.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/vhd_input_dialog.h"

namespace salvor::gui {

DriveParsingModes::DriveParsingModes(VhdInputDialog* owner)
    : WizardPage(QStringLiteral(" Drive Parsing Modes"), FrameIds{IdBack, IdNext, 0, IdHelp, 0, 0}, owner),
      imagePath_(owner->pathText()) {
    auto* note = new QLabel(QStringLiteral("Image: %1").arg(imagePath_), this);
    note->setWordWrap(true);
    body()->addWidget(note);
    body()->addStretch(1);
    nextButton()->setEnabled(false);
    connect(backButton(), &QPushButton::clicked, this, &WizardPage::goBack);
}

}  // namespace salvor::gui
