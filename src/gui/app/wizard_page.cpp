#include "app/wizard_page.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>
#include <unistd.h>

#include "app/about_dialog.h"
#include "app/shared_state.h"
#include "platform/prompter.h"

namespace salvor::gui {

namespace {

constexpr const char* kIdProperty = "controlId";

// Swallows Enter and Escape for every widget that sits on a wizard page, so
// that neither can close a page or press a default button.
class KeySwallower : public QObject {
public:
    bool eventFilter(QObject* obj, QEvent* ev) override {
        if (ev->type() != QEvent::KeyPress && ev->type() != QEvent::ShortcutOverride) return false;
        auto* w = qobject_cast<QWidget*>(obj);
        if (!w || !qobject_cast<WizardPage*>(w->window())) return false;
        const int key = static_cast<QKeyEvent*>(ev)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            ev->accept();
            return true;
        }
        return false;
    }
};

void installKeySwallower() {
    static KeySwallower* swallower = nullptr;
    if (!swallower && qApp) {
        swallower = new KeySwallower;
        swallower->setParent(qApp);
        qApp->installEventFilter(swallower);
    }
}

QPushButton* makeFrameButton(const QString& text, QStyle::StandardPixmap icon, QWidget* parent) {
    auto* b = new QPushButton(parent->style()->standardIcon(icon), text, parent);
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setMinimumWidth(90);
    return b;
}

}  // namespace

WizardPage::WizardPage(const QString& caption, const FrameIds& ids, QWidget* owner)
    : QDialog(owner), caption_(caption) {
    installKeySwallower();
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    setSizeGripEnabled(true);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 8);
    outer->setSpacing(6);

    auto* banner = new QLabel(this);
    banner->setObjectName(QStringLiteral("banner"));
    banner->setText(QStringLiteral("<span style='font-size:16pt;font-weight:600'>Salvor</span>"
                                   "<br><span style='font-size:9pt'>%1</span>")
                        .arg(caption.trimmed().toHtmlEscaped()));
    banner->setStyleSheet(QStringLiteral(
        "QLabel#banner { color: white; padding: 8px 14px;"
        " background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #1d3557, stop:1 #457b9d); }"));
    banner->setMinimumHeight(64);
    banner->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    outer->addWidget(banner);

    auto* inner = new QVBoxLayout;
    inner->setContentsMargins(14, 4, 14, 0);
    inner->setSpacing(8);
    outer->addLayout(inner, 1);

    body_ = new QVBoxLayout;
    body_->setSpacing(8);
    inner->addLayout(body_, 1);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    status_->setMinimumHeight(status_->fontMetrics().height() * 2);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (ids.status) setControlId(status_, ids.status);
    inner->addWidget(status_);

    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->hide();
    if (ids.progress) setControlId(progress_, ids.progress);
    inner->addWidget(progress_);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    help_ = new QToolButton(this);
    help_->setText(QStringLiteral("Help"));
    help_->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    help_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    help_->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(help_);
    QAction* helpAction = menu->addAction(QStringLiteral("Help"));
    QAction* homeAction = menu->addAction(QStringLiteral("Software Homepage"));
    QAction* aboutAction = menu->addAction(QStringLiteral("About"));
    connect(helpAction, &QAction::triggered, this, [] { platform::prompter().openUrl(kProductHomepage); });
    connect(homeAction, &QAction::triggered, this, [] { platform::prompter().openUrl(kProductHomepage); });
    connect(aboutAction, &QAction::triggered, this, [this] {
        CSysInfoAboutDlg about(this);
        about.exec();
    });
    help_->setMenu(menu);
    if (ids.help) setControlId(help_, ids.help);
    buttons->addWidget(help_);
    buttons->addStretch(1);

    if (ids.back) {
        back_ = makeFrameButton(QStringLiteral("Back"), QStyle::SP_ArrowBack, this);
        setControlId(back_, ids.back);
        buttons->addWidget(back_);
    }
    if (ids.next) {
        next_ = makeFrameButton(QStringLiteral("Next"), QStyle::SP_ArrowForward, this);
        next_->setLayoutDirection(Qt::RightToLeft);  // arrow after the text
        setControlId(next_, ids.next);
        buttons->addWidget(next_);
    }
    if (ids.stop) {
        stop_ = makeFrameButton(QStringLiteral("Stop"), QStyle::SP_BrowserStop, this);
        setControlId(stop_, ids.stop);
        stop_->hide();
        buttons->addWidget(stop_);
    }
    inner->addLayout(buttons);

    resize(designSize());
}

WizardPage::~WizardPage() = default;

QSize WizardPage::designSize() { return QSize(860, 490); }

void WizardPage::setControlId(QWidget* w, int id) {
    w->setProperty(kIdProperty, id);
    w->setObjectName(QStringLiteral("ctl%1").arg(id));
}

QWidget* WizardPage::controlById(int id) const {
    return findChild<QWidget*>(QStringLiteral("ctl%1").arg(id));
}

void WizardPage::showNextPage(WizardPage* next) {
    next->move(pos());
    next->resize(size());
    next->show();
    hide();
}

void WizardPage::goBack() {
    if (auto* owner = parentWidget()) owner->show();
    hide();
    deleteLater();
}

std::function<void(int)>& WizardPage::processExit() {
    static std::function<void(int)> exitFn = [](int code) {
        std::fflush(nullptr);
        ::_exit(code);  // workers are not waited for
    };
    return exitFn;
}

void WizardPage::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (platform::prompter().message("Do you want to Close Application ?", platform::Buttons::YesNo) !=
        platform::Answer::Yes)
        return;
    beforeProcessEnds();
    processExit()(0);
}

void WizardPage::reject() {
    // Escape and the dialog's cancel route never close a page by themselves.
}

}  // namespace salvor::gui
