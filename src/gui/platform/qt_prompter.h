#pragma once
// Message boxes and choosers with Qt. Safe to call from a worker thread: the
// box is shown on the GUI thread and the worker waits for the answer.
#include <functional>

#include "platform/prompter.h"

namespace salvor::gui {

class QtPrompter : public platform::Prompter {
public:
    platform::Answer message(const std::string& text, platform::Buttons buttons) override;
    std::optional<std::string> chooseOpenFile(const platform::OpenFileRequest& request) override;
    std::optional<std::string> chooseFolder(const std::string& title, const std::string& startFolder) override;
    void openUrl(const std::string& url) override;
};

// Runs `f` on the GUI thread and waits for it; runs it at once when called
// there already.
void runOnGuiThread(const std::function<void()>& f);

}  // namespace salvor::gui
