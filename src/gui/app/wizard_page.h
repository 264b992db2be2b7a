#pragma once
// The frame every wizard page shares: banner, page body, status line, progress
// bar, Help menu button at the bottom left and Back/Next/Stop at the bottom
// right. Controls carry the numeric ids of the page templates so that pages and
// tests find them by id. Enter and Escape never reach a page, and closing a
// page asks before the program ends.
#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace salvor::gui {

class WizardPage : public QDialog {
    Q_OBJECT
public:
    enum FrameButton { BackButton = 1, NextButton = 2, StopButton = 4 };

    struct FrameIds {
        int back = 0;  // 0: the page has no such button
        int next = 0;
        int stop = 0;
        int help = 0;
        int status = 0;
        int progress = 0;
    };

    // `caption` is the caption of the page's template, shown in the banner;
    // the window title is always the application title.
    WizardPage(const QString& caption, const FrameIds& ids, QWidget* owner);
    ~WizardPage() override;

    static void setControlId(QWidget* w, int id);
    QWidget* controlById(int id) const;
    template <class T>
    T* control(int id) const { return qobject_cast<T*>(controlById(id)); }

    QString caption() const { return caption_; }
    QLabel* statusLine() const { return status_; }
    QProgressBar* progressBar() const { return progress_; }
    QPushButton* backButton() const { return back_; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* stopButton() const { return stop_; }
    QToolButton* helpButton() const { return help_; }

    // Shows `next` (already created with this page as owner) and hides this one.
    void showNextPage(WizardPage* next);
    // Back: shows the owner page and destroys this one.
    void goBack();

    // What the program does when the user confirms closing: ends the process
    // with the given code. Tests replace it.
    static std::function<void(int)>& processExit();

    // Size that the template's 513 x 300 dialog units come to at a 9-point font.
    static QSize designSize();

protected:
    // The layout that holds the page's own controls.
    QVBoxLayout* body() const { return body_; }
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    // Called after the user confirmed closing, before the process ends.
    virtual void beforeProcessEnds() {}

private:
    QString caption_;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* stop_ = nullptr;
    QToolButton* help_ = nullptr;
    QVBoxLayout* body_ = nullptr;
};

}  // namespace salvor::gui
