#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shared_state.h"
#include "platform/prompter.h"

namespace salvor::gui {

CSysInfoAboutDlg::CSysInfoAboutDlg(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About Salvor"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QString::fromUtf8(kApplicationTitle), this);
    title->setObjectName(QStringLiteral("aboutTitle"));
    layout->addWidget(title);

    auto* notice = new QLabel(QStringLiteral("Recovers files from virtual machine disk images. It never writes to the image."), this);
    notice->setObjectName(QStringLiteral("aboutNotice"));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(15);
    f.setWeight(QFont::DemiBold);  // weight 600
    notice->setFont(f);
    notice->setWordWrap(true);
    layout->addWidget(notice);

    auto* links = new QHBoxLayout;
    const struct { const char* label; const char* target; } kLinks[] = {
        {"Company website", kProductHomepage},
        {"Support email address", "mailto:support@salvor.invalid"},
        {"Sales email address", "mailto:sales@salvor.invalid"},
    };
    for (const auto& link : kLinks) {
        auto* b = new QPushButton(QString::fromUtf8(link.label), this);
        b->setFlat(true);
        b->setAutoDefault(false);
        b->setStyleSheet(QStringLiteral("color: #1d5fa8; text-decoration: underline;"));
        const std::string target = link.target;
        connect(b, &QPushButton::clicked, this, [target] { platform::prompter().openUrl(target); });
        links->addWidget(b);
    }
    layout->addLayout(links);

    auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(ok, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(ok);
}

}  // namespace salvor::gui
