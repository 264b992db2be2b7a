#include "app/placeholder_page.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace salvor::gui {

PlaceholderPage::PlaceholderPage(const QString& caption, const QString& note, WizardPage* owner)
    : WizardPage(caption, FrameIds{1050, 1053, 0, 1326, 0, 0}, owner) {
    auto* text = new QLabel(note, this);
    text->setWordWrap(true);
    body()->addWidget(text);
    body()->addStretch(1);
    nextButton()->setEnabled(false);
    connect(backButton(), &QPushButton::clicked, this, &WizardPage::goBack);
}

PlaceholderPage* makeRawRecoveryPage(WizardPage* owner) {
    return new PlaceholderPage(QStringLiteral("Raw Recovery Dialog"),
                               QStringLiteral("Raw recovery by file signatures is not available yet."), owner);
}

}  // namespace salvor::gui
