#include "gui_test_support.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QAbstractButton>
#include <QLineEdit>
#include <QProgressBar>

#include "app/wizard_page.h"

namespace salvor::test {

GuiScript::GuiScript() {
    platform::setPrompter(&prompter);
    gui::WizardPage::processExit() = [this](int code) { exitCodes.append(code); };
}

GuiScript::~GuiScript() { platform::setPrompter(nullptr); }

void screenshot(QWidget* w, const QString& name) {
    const QByteArray dir = qgetenv("SALVOR_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    w->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name + QStringLiteral(".png"));
}

namespace {
bool checked(QWidget* w) {
    return qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
           qobject_cast<QProgressBar*>(w) || qobject_cast<QGroupBox*>(w);
}
QString describe(QWidget* w) {
    QString text;
    if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
    return QStringLiteral("%1 '%2' (%3)").arg(QString::fromLatin1(w->metaObject()->className()), text, w->objectName());
}
}  // namespace

QStringList layoutProblems(QWidget* page) {
    QStringList problems;
    const QRect pageRect = page->rect();
    const auto widgets = page->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (w->window() != page || !w->isVisibleTo(page) || !checked(w)) continue;
        const QRect r(w->mapTo(page, QPoint(0, 0)), w->size());
        if (!pageRect.contains(r)) problems << describe(w) + QStringLiteral(" lies outside the page");
        const QSize need = w->minimumSizeHint();
        const bool wraps = qobject_cast<QLabel*>(w) && static_cast<QLabel*>(w)->wordWrap();
        if (!wraps && (r.width() < need.width() || r.height() < need.height()))
            problems << describe(w) + QStringLiteral(" is cut: %1x%2 < %3x%4")
                                          .arg(r.width()).arg(r.height()).arg(need.width()).arg(need.height());
        for (QWidget* s : widgets) {
            if (s == w || s->window() != page || s->parentWidget() != w->parentWidget() || !s->isVisibleTo(page) || !checked(s)) continue;
            if (s < w) continue;  // each pair once
            const QRect sr(s->mapTo(page, QPoint(0, 0)), s->size());
            if (r.intersects(sr)) problems << describe(w) + QStringLiteral(" overlaps ") + describe(s);
        }
    }
    return problems;
}

}  // namespace salvor::test
