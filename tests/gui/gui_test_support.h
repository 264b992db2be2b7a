#pragma once
// Helpers shared by the page tests: scripted prompts, screenshots on request
// and a check that a page's controls neither overlap nor get cut.
#include <QString>
#include <QStringList>
#include <QWidget>

#include "platform/prompter.h"

namespace salvor::test {

// Installs a ScriptedPrompter for the life of the object and catches the
// process exit that a confirmed close would make.
class GuiScript {
public:
    GuiScript();
    ~GuiScript();
    platform::ScriptedPrompter prompter;
    QList<int> exitCodes;
};

// Saves a PNG of `w` as NAME.png into $SALVOR_SCREENSHOT_DIR when it is set.
void screenshot(QWidget* w, const QString& name);

// Problems with the layout of the visible controls of `page`: controls outside
// the page, smaller than they need to be, or overlapping a sibling.
QStringList layoutProblems(QWidget* page);

}  // namespace salvor::test
