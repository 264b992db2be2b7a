#include "platform/prompter.h"

#include <atomic>
#include <cstdio>

namespace salvor::platform {

Answer ConsolePrompter::message(const std::string& text, Buttons buttons) {
    std::fprintf(stderr, "%s\n", text.c_str());
    switch (buttons) {
        case Buttons::Ok:
        case Buttons::OkCancel: return Answer::Ok;
        case Buttons::YesNo:
        case Buttons::YesNoCancel: return Answer::No;
    }
    return Answer::Ok;
}

Answer ScriptedPrompter::message(const std::string& text, Buttons buttons) {
    std::lock_guard lock(mu_);
    messages_.push_back(text);
    if (!answers_.empty()) {
        Answer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
}

std::optional<std::string> ScriptedPrompter::chooseOpenFile(const OpenFileRequest& request) {
    std::lock_guard lock(mu_);
    fileRequests_.push_back(request);
    if (files_.empty()) return std::nullopt;
    auto f = files_.front();
    files_.pop_front();
    return f;
}

std::optional<std::string> ScriptedPrompter::chooseFolder(const std::string&, const std::string& startFolder) {
    std::lock_guard lock(mu_);
    folderRequests_.push_back(startFolder);
    if (folders_.empty()) return std::nullopt;
    auto f = folders_.front();
    folders_.pop_front();
    return f;
}

void ScriptedPrompter::openUrl(const std::string& url) {
    std::lock_guard lock(mu_);
    urls_.push_back(url);
}

void ScriptedPrompter::queueAnswer(Answer a) { std::lock_guard lock(mu_); answers_.push_back(a); }
void ScriptedPrompter::queueFile(std::optional<std::string> path) { std::lock_guard lock(mu_); files_.push_back(std::move(path)); }
void ScriptedPrompter::queueFolder(std::optional<std::string> path) { std::lock_guard lock(mu_); folders_.push_back(std::move(path)); }
std::vector<std::string> ScriptedPrompter::messages() const { std::lock_guard lock(mu_); return messages_; }
std::vector<OpenFileRequest> ScriptedPrompter::fileRequests() const { std::lock_guard lock(mu_); return fileRequests_; }
std::vector<std::string> ScriptedPrompter::folderRequests() const { std::lock_guard lock(mu_); return folderRequests_; }
std::vector<std::string> ScriptedPrompter::urls() const { std::lock_guard lock(mu_); return urls_; }

void ScriptedPrompter::clear() {
    std::lock_guard lock(mu_);
    answers_.clear();
    files_.clear();
    folders_.clear();
    messages_.clear();
    fileRequests_.clear();
    folderRequests_.clear();
    urls_.clear();
}

namespace {
ConsolePrompter& consolePrompter() {
    static ConsolePrompter p;
    return p;
}
std::atomic<Prompter*> g_prompter{nullptr};
}  // namespace

Prompter& prompter() {
    Prompter* p = g_prompter.load();
    return p ? *p : consolePrompter();
}

void setPrompter(Prompter* p) { g_prompter.store(p); }

}  // namespace salvor::platform
