#pragma once
// Runs a page's long work on a thread of its own. Progress range, position and
// status texts reach the page's progress bar and status line on the GUI thread,
// each before the worker goes on, so they arrive in order. Stop, Pause and
// Resume go through the WorkerControl the job polls.
#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <thread>

#include "platform/worker.h"

class QLabel;
class QProgressBar;

namespace salvor::gui {

class PageWorker : public QObject, private platform::ProgressSink {
    Q_OBJECT
public:
    using Job = std::function<void(platform::WorkerControl&, platform::ProgressSink&)>;

    PageWorker(QObject* page, QProgressBar* bar, QLabel* status);
    ~PageWorker() override;

    // Starts `job` on a new thread, after an earlier job has returned.
    bool start(Job job);
    bool running() const { return running_.load(); }

    platform::WorkerControl& control() { return control_; }
    void pause() { control_.pause(); }
    void resume() { control_.resume(); }
    void stop() { control_.requestStop(); }

    // Stops the job and returns once it has ended, handling the page's events
    // meanwhile so that the job's reports are not blocked.
    void stopAndWait();
    // Returns once the job has ended (without stopping it).
    void waitFinished();

    // Runs `f` on the page's thread and waits for it: for enabling, showing and
    // hiding the page's controls from the job.
    void onPage(const std::function<void()>& f);

    platform::ProgressSink& sink() { return *this; }

signals:
    // Emitted on the page's thread after the job has returned.
    void finished();

private:
    void setRange(int64_t low, int64_t high) override;
    void setPosition(int64_t position) override;
    void setStatus(const std::string& text) override;
    void join();

    QObject* page_;
    QPointer<QProgressBar> bar_;
    QPointer<QLabel> status_;
    platform::WorkerControl control_;
    std::thread thread_;
    std::atomic<bool> running_{false};
};

}  // namespace salvor::gui
