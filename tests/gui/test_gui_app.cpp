// The application start, the page frame, the image page and the worker
// protocol on the offscreen platform with scripted prompts.
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <thread>

#include "app/about_dialog.h"
#include "app/drive_parsing_modes.h"
#include "app/salvor_app.h"
#include "app/shared_state.h"
#include "app/vhd_input_dialog.h"
#include "fixture.h"
#include "gui_test_support.h"
#include "platform/page_worker.h"

using namespace salvor;
using namespace salvor::gui;
using Page = VhdInputDialog;

class TestGuiApp : public QObject {
    Q_OBJECT

    std::unique_ptr<test::GuiScript> script;
    std::unique_ptr<Page> page;

    QString value(int id) { return page->control<QLabel>(id)->text(); }
    void choose(const std::optional<std::string>& path) {
        script->prompter.queueFile(path);
        QTest::mouseClick(page->control<QPushButton>(Page::IdBrowse), Qt::LeftButton);
    }

private slots:
    void init() {
        sharedState().reset();
        script = std::make_unique<test::GuiScript>();
        page = std::make_unique<Page>();
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    }
    void cleanup() {
        page.reset();
        script.reset();
    }

    void startState() {
        QCOMPARE(page->windowTitle(), QString::fromUtf8(kApplicationTitle));
        QVERIFY(page->control<QRadioButton>(Page::IdDynamic)->isChecked());
        QVERIFY(!page->control<QRadioButton>(Page::IdFixed)->isChecked());
        QVERIFY(page->control<QPushButton>(Page::IdBrowse)->isEnabled());
        QVERIFY(!page->control<QLineEdit>(Page::IdPath)->isEnabled());
        QVERIFY(!page->infoBlockVisible());
        QVERIFY(!page->nextButton()->isEnabled());
        QCOMPARE(page->control<QWidget>(Page::IdInfoGroup)->isVisible(), true);
        QCOMPARE(page->imageKind(), 0);
        test::screenshot(page.get(), QStringLiteral("image-page-start"));
    }

    void choosingAVdiFillsTheBlock() {
        const std::string path = test::fixturePath("empty-10g.vdi");
        choose(path);
        QCOMPARE(value(Page::IdSizeValue), QStringLiteral("10240 MB"));
        QCOMPARE(value(Page::IdVersionValue), QStringLiteral("65537"));
        QCOMPARE(value(Page::IdSectorsValue), QStringLiteral("0"));
        QVERIFY(page->infoBlockVisible());
        QVERIFY(page->nextButton()->isEnabled());
        QCOMPARE(page->pathText(), QString::fromStdString(path));
        QCOMPARE(page->imageKind(), 2);
        QCOMPARE(sharedState().imageSourceTag, 142);
        QVERIFY(!sharedState().currentSource);  // only held while the header is read
        QVERIFY(script->prompter.messages().empty());
        const auto requests = script->prompter.fileRequests();
        QCOMPARE(requests.size(), size_t(1));
        QCOMPARE(QString::fromStdString(requests[0].filter), QStringLiteral("*.vdi||"));
        test::screenshot(page.get(), QStringLiteral("image-page-chosen"));

        choose(test::fixturePath("pattern-dynamic.vdi"));
        QCOMPARE(value(Page::IdSizeValue), QStringLiteral("8 MB"));
    }

    void cancelLeavesThePageAsItWas() {
        choose(std::nullopt);
        QVERIFY(!page->nextButton()->isEnabled());
        QVERIFY(page->chosenPath().isEmpty());
        QVERIFY(!page->infoBlockVisible());
    }

    void aFileThatIsNotVdiIsRefused() {
        choose(std::string("/tmp/disk.img"));
        QCOMPARE(script->prompter.messages(), std::vector<std::string>{"not a vdi file"});
        QVERIFY(page->pathText().isEmpty());
        QVERIFY(page->chosenPath().isEmpty());
        QVERIFY(!page->infoBlockVisible());
        QVERIFY(!page->nextButton()->isEnabled());
        QCOMPARE(sharedState().imageSourceTag, 0);
    }

    void unreadableVdiSaysInvalidHandle() {
        choose(std::string("/nonexistent/gone.vdi"));
        QCOMPARE(script->prompter.messages(), std::vector<std::string>{"invalid handle ..."});
    }

    void fixedAndDynamicSwitching() {
        const QString path = QString::fromStdString(test::fixturePath("pattern-dynamic.vdi"));
        choose(path.toStdString());
        QTest::mouseClick(page->control<QRadioButton>(Page::IdFixed), Qt::LeftButton);
        QVERIFY(page->control<QRadioButton>(Page::IdFixed)->isChecked());
        QVERIFY(!page->control<QRadioButton>(Page::IdDynamic)->isChecked());
        QVERIFY(page->pathText().isEmpty());
        QVERIFY(page->control<QLineEdit>(Page::IdPath)->isEnabled());
        QVERIFY(!page->infoBlockVisible());
        QVERIFY(page->nextButton()->isEnabled());

        // A fixed VDI is read like a dynamic one.
        sharedState().imageSourceTag = 0;
        choose(test::fixturePath("pattern-static.vdi"));
        QCOMPARE(page->imageKind(), 2);
        QCOMPARE(sharedState().imageSourceTag, 142);
        QVERIFY(page->infoBlockVisible());
        QCOMPARE(value(Page::IdSizeValue), QStringLiteral("8 MB"));

        QTest::mouseClick(page->control<QRadioButton>(Page::IdDynamic), Qt::LeftButton);
        QVERIFY(page->pathText().isEmpty());
        QVERIFY(!page->control<QRadioButton>(Page::IdFixed)->isChecked());
        QVERIFY(page->nextButton()->isEnabled());
        // Next still goes on with the earlier choice; the next page gets the empty path text.
        QTest::mouseClick(page->nextButton(), Qt::LeftButton);
        QVERIFY(page->scanModePage());
        QVERIFY(page->scanModePage()->imagePath().isEmpty());
    }

    void nextAndBack() {
        QTest::mouseClick(page->nextButton(), Qt::LeftButton);  // disabled: nothing happens
        QVERIFY(!page->scanModePage());
        choose(test::fixturePath("pattern-dynamic.vdi"));
        QTest::mouseClick(page->nextButton(), Qt::LeftButton);
        QPointer<DriveParsingModes> next = page->scanModePage();
        QVERIFY(next);
        QVERIFY(next->isVisible());
        QVERIFY(!page->isVisible());
        QCOMPARE(next->caption(), QStringLiteral(" Drive Parsing Modes"));
        QCOMPARE(next->windowTitle(), QString::fromUtf8(kApplicationTitle));
        QCOMPARE(next->imagePath(), page->pathText());
        test::screenshot(next, QStringLiteral("scan-mode-placeholder"));
        QTest::mouseClick(next->backButton(), Qt::LeftButton);
        QTRY_VERIFY(!next);
        QVERIFY(page->isVisible());
        QVERIFY(!page->scanModePage());
    }

    void enterAndEscapeChangeNothing() {
        auto* browse = page->control<QPushButton>(Page::IdBrowse);
        browse->setFocus();
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(browse, static_cast<Qt::Key>(key));
            QTest::keyClick(page.get(), static_cast<Qt::Key>(key));
        }
        QVERIFY(page->isVisible());
        QVERIFY(script->prompter.fileRequests().empty());
        QVERIFY(script->prompter.messages().empty());
        QVERIFY(script->exitCodes.isEmpty());
    }

    void closingAsksFirst() {
        script->prompter.queueAnswer(platform::Answer::No);
        page->close();
        QCOMPARE(script->prompter.messages(), std::vector<std::string>{"Do you want to Close Application ?"});
        QVERIFY(page->isVisible());
        QVERIFY(script->exitCodes.isEmpty());
        script->prompter.queueAnswer(platform::Answer::Yes);
        page->close();
        QCOMPARE(script->exitCodes, QList<int>{0});
    }

    void secondInstanceIsRefused() {
        const std::string lock = test::scratchFolder("gui-guard") + "/instance.lock";
        platform::InstanceGuard first(lock);
        QVERIFY(first.acquire());
        platform::InstanceGuard second(lock);
        CSalvorApp app(second);
        QVERIFY(!app.InitInstance(false));
        QVERIFY(!app.mainPage());
        QCOMPARE(script->prompter.messages(), std::vector<std::string>{"Another instance of application is already running"});

        first.release();
        CSalvorApp alone(second);
        QVERIFY(!alone.InitInstance(false));
        QVERIFY(alone.mainPage());
        QVERIFY(alone.mainPage()->isVisible());
    }

    void helpMenu() {
        QMenu* menu = page->helpButton()->menu();
        QVERIFY(menu);
        QStringList texts;
        for (QAction* a : menu->actions()) texts << a->text();
        QCOMPARE(texts, (QStringList{"Help", "Software Homepage", "About"}));
        menu->actions()[0]->trigger();
        menu->actions()[1]->trigger();
        QCOMPARE(script->prompter.urls().size(), size_t(2));
        QString aboutTitle;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<CSysInfoAboutDlg*>(QApplication::activeModalWidget());
            if (!box) return;
            aboutTitle = box->windowTitle();
            test::screenshot(box, QStringLiteral("about-box"));
            box->accept();
        });
        menu->actions()[2]->trigger();
        QCOMPARE(aboutTitle, QStringLiteral("About Salvor"));
    }

    void layoutFitsAndGrows() {
        choose(test::fixturePath("pattern-dynamic.vdi"));
        page->resize(WizardPage::designSize());
        QTest::qWait(20);
        QStringList problems = test::layoutProblems(page.get());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        auto* edit = page->control<QLineEdit>(Page::IdPath);
        const int narrow = edit->width();
        page->resize(1300, 800);
        QTest::qWait(20);
        QVERIFY(edit->width() > narrow + 300);
        problems = test::layoutProblems(page.get());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }

    void workerReportsArriveInOrderOnTheGuiThread() {
        QProgressBar bar;
        QLabel status;
        PageWorker worker(page.get(), &bar, &status);
        QList<int> positions;
        QStringList statuses;
        bool allOnGui = true;
        connect(&bar, &QProgressBar::valueChanged, [&](int v) {
            positions << v;
            allOnGui = allOnGui && QThread::currentThread() == qApp->thread();
        });
        bool finished = false;
        connect(&worker, &PageWorker::finished, [&] { finished = true; });
        QVERIFY(worker.start([&](platform::WorkerControl&, platform::ProgressSink& sink) {
            sink.setRange(0, 1000);
            for (int i = 1; i <= 200; ++i) {
                sink.setPosition(i);
                if (i % 50 == 0) {
                    sink.setStatus("step " + std::to_string(i));
                    statuses << status.text();  // delivered before setStatus returned
                }
            }
        }));
        worker.waitFinished();
        QVERIFY(finished);
        QCOMPARE(bar.maximum(), 1000);
        QCOMPARE(positions.size(), 200);
        for (int i = 0; i < positions.size(); ++i) QCOMPARE(positions[i], i + 1);
        QVERIFY(allOnGui);
        QCOMPARE(statuses, (QStringList{"step 50", "step 100", "step 150", "step 200"}));
    }

    void workerPauseResumeAndStop() {
        QProgressBar bar;
        QLabel status;
        PageWorker worker(page.get(), &bar, &status);
        std::atomic<int> units{0};
        worker.start([&](platform::WorkerControl& control, platform::ProgressSink& sink) {
            while (control.poll()) {
                sink.setPosition(++units % 1000);
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            sink.setStatus("stopped");
        });
        QTRY_VERIFY(units > 0);
        worker.pause();
        worker.pause();
        QTRY_VERIFY(worker.control().waiting());
        worker.resume();
        QTest::qWait(50);
        QVERIFY(worker.control().waiting());
        QVERIFY(worker.running());
        worker.stop();
        worker.waitFinished();
        QVERIFY(!worker.running());
        QCOMPARE(status.text(), QStringLiteral("stopped"));
    }
};

QTEST_MAIN(TestGuiApp)
#include "test_gui_app.moc"
