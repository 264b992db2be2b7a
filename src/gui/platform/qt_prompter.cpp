#include "platform/qt_prompter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

#include "app/shared_state.h"

namespace salvor::gui {

void runOnGuiThread(const std::function<void()>& f) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(app, f, Qt::BlockingQueuedConnection);
}

platform::Answer QtPrompter::message(const std::string& text, platform::Buttons buttons) {
    platform::Answer answer = platform::Answer::Ok;
    runOnGuiThread([&] {
        QMessageBox box(QMessageBox::Information, QString::fromUtf8(kApplicationTitle), QString::fromStdString(text),
                        QMessageBox::NoButton, QApplication::activeWindow());
        switch (buttons) {
            case platform::Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
            case platform::Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
            case platform::Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
            case platform::Buttons::YesNoCancel:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
                break;
        }
        switch (box.exec()) {
            case QMessageBox::Yes: answer = platform::Answer::Yes; break;
            case QMessageBox::No: answer = platform::Answer::No; break;
            case QMessageBox::Cancel: answer = platform::Answer::Cancel; break;
            default: answer = platform::Answer::Ok; break;
        }
    });
    return answer;
}

std::optional<std::string> QtPrompter::chooseOpenFile(const platform::OpenFileRequest& request) {
    std::optional<std::string> result;
    runOnGuiThread([&] {
        // "*.vdi||" names one filter entry: its pattern is the text before "||".
        QString pattern = QString::fromStdString(request.filter).section(QStringLiteral("||"), 0, 0);
        if (pattern.isEmpty()) pattern = QStringLiteral("*");
        QFileDialog dialog(QApplication::activeWindow(), QString::fromUtf8(kApplicationTitle));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilter(pattern);
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            result = dialog.selectedFiles().first().toStdString();
    });
    return result;
}

std::optional<std::string> QtPrompter::chooseFolder(const std::string& title, const std::string& startFolder) {
    std::optional<std::string> result;
    runOnGuiThread([&] {
        QString dir = QFileDialog::getExistingDirectory(QApplication::activeWindow(), QString::fromStdString(title),
                                                        QString::fromStdString(startFolder));
        if (!dir.isEmpty()) result = dir.toStdString();
    });
    return result;
}

void QtPrompter::openUrl(const std::string& url) {
    runOnGuiThread([&] { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); });
}

}  // namespace salvor::gui
