#pragma once
// Message boxes, questions and file choosers behind one interface, so that the
// core can ask the user without knowing the toolkit, and tests can script the
// answers. Every box uses the application title as its caption and the
// information icon.
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace salvor::platform {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct OpenFileRequest {
    std::string defaultExtension;  // "vdi"
    std::string initialName;       // "*.vdi"
    std::string filter;            // "*.vdi||"
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // Shows `text`; returns the button pressed.
    virtual Answer message(const std::string& text, Buttons buttons = Buttons::Ok) = 0;
    // A file that must exist; nothing when the user cancels.
    virtual std::optional<std::string> chooseOpenFile(const OpenFileRequest& request) = 0;
    // A folder; nothing when the user cancels.
    virtual std::optional<std::string> chooseFolder(const std::string& title, const std::string& startFolder) = 0;
    // Opens a web address in the default browser.
    virtual void openUrl(const std::string& url) = 0;
};

// Answers with defaults and writes messages to standard error (command line).
class ConsolePrompter : public Prompter {
public:
    Answer message(const std::string& text, Buttons buttons) override;
    std::optional<std::string> chooseOpenFile(const OpenFileRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseFolder(const std::string&, const std::string&) override { return std::nullopt; }
    void openUrl(const std::string&) override {}
};

// For tests: records every message and request, answers from queues. An empty
// queue answers Ok / Yes (for Yes/No questions) / cancel for choosers.
class ScriptedPrompter : public Prompter {
public:
    Answer message(const std::string& text, Buttons buttons) override;
    std::optional<std::string> chooseOpenFile(const OpenFileRequest& request) override;
    std::optional<std::string> chooseFolder(const std::string& title, const std::string& startFolder) override;
    void openUrl(const std::string& url) override;

    void queueAnswer(Answer a);
    void queueFile(std::optional<std::string> path);
    void queueFolder(std::optional<std::string> path);

    std::vector<std::string> messages() const;
    std::vector<OpenFileRequest> fileRequests() const;
    std::vector<std::string> folderRequests() const;  // the start folders
    std::vector<std::string> urls() const;
    void clear();

private:
    mutable std::mutex mu_;
    std::deque<Answer> answers_;
    std::deque<std::optional<std::string>> files_;
    std::deque<std::optional<std::string>> folders_;
    std::vector<std::string> messages_;
    std::vector<OpenFileRequest> fileRequests_;
    std::vector<std::string> folderRequests_;
    std::vector<std::string> urls_;
};

// The program-wide prompter. A ConsolePrompter until another is installed.
Prompter& prompter();
// Installs `p` (not owned; nullptr restores the console one).
void setPrompter(Prompter* p);

}  // namespace salvor::platform
