#include "platform/page_worker.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <climits>

namespace salvor::gui {

namespace {
int clampToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }
}  // namespace

PageWorker::PageWorker(QObject* page, QProgressBar* bar, QLabel* status)
    : QObject(nullptr), page_(page), bar_(bar), status_(status) {}

PageWorker::~PageWorker() { stopAndWait(); }

bool PageWorker::start(Job job) {
    // A job that has handed its last report to the page may still be
    // returning: it is let finish (the page starts work only when idle).
    if (running_.load()) waitFinished();
    join();
    control_.clearStop();
    running_.store(true);
    thread_ = std::thread([this, job = std::move(job)] {
        job(control_, *this);
        running_.store(false);
        QMetaObject::invokeMethod(this, [this] { emit finished(); }, Qt::QueuedConnection);
    });
    return true;
}

void PageWorker::waitFinished() {
    while (running_.load()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    join();
    // Deliver the queued finished() before returning.
    QCoreApplication::sendPostedEvents(this);
}

void PageWorker::stopAndWait() {
    control_.requestStop();
    waitFinished();
}

void PageWorker::join() {
    if (thread_.joinable()) thread_.join();
}

void PageWorker::onPage(const std::function<void()>& f) {
    if (QThread::currentThread() == page_->thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(page_, f, Qt::BlockingQueuedConnection);
}

void PageWorker::setRange(int64_t low, int64_t high) {
    onPage([&] {
        if (bar_) bar_->setRange(clampToInt(low), clampToInt(high));
    });
}

void PageWorker::setPosition(int64_t position) {
    onPage([&] {
        if (bar_) bar_->setValue(clampToInt(position));
    });
}

void PageWorker::setStatus(const std::string& text) {
    onPage([&] {
        if (status_) status_->setText(QString::fromStdString(text));
    });
}

}  // namespace salvor::gui
