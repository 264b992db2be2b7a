// The scan-mode page and the volume list page on the offscreen platform.
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include "app/drive_parsing_modes.h"
#include "app/placeholder_page.h"
#include "app/populate_drive_dlg.h"
#include "app/shared_state.h"
#include "app/vhd_input_dialog.h"
#include "image/read_write_interface.h"
#include "fixture.h"
#include "gui_test_support.h"

using namespace salvor;
using namespace salvor::gui;
using Modes = DriveParsingModes;
using Volumes = PopulateDriveDlg;

class TestGuiDiscovery : public QObject {
    Q_OBJECT

    std::unique_ptr<test::GuiScript> script;
    std::unique_ptr<VhdInputDialog> imagePage;

    Modes* openModes(const std::string& fixture) {
        script->prompter.queueFile(test::fixturePath(fixture));
        QTest::mouseClick(imagePage->control<QPushButton>(VhdInputDialog::IdBrowse), Qt::LeftButton);
        QTest::mouseClick(imagePage->nextButton(), Qt::LeftButton);
        return imagePage->scanModePage();
    }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    Volumes* next(Modes* modes) {
        click(modes->nextButton());
        return modes->volumeListPage();
    }
    static QStringList column(QTableWidget* list, int c) {
        QStringList out;
        for (int r = 0; r < list->rowCount(); ++r)
            if (!list->isRowHidden(r)) out << list->item(r, c)->text();
        return out;
    }

private slots:
    void init() {
        sharedState().reset();
        script = std::make_unique<test::GuiScript>();
        imagePage = std::make_unique<VhdInputDialog>();
        imagePage->show();
    }
    void cleanup() {
        imagePage.reset();
        script.reset();
    }

    void scanModeStartStateAndHandlers() {
        Modes* m = openModes("mbr.vdi");
        QVERIFY(m && m->isVisible());
        QVERIFY(m->control<QRadioButton>(Modes::IdStandard)->isChecked());
        QVERIFY(!m->control<QRadioButton>(Modes::IdAdvanced)->isChecked());
        for (int id : {Modes::IdDoNotSkip, Modes::IdCustom, Modes::IdStartEdit, Modes::IdEndEdit, Modes::IdStartLabel,
                       Modes::IdEndLabel, Modes::IdSaveImage})
            QVERIFY2(!m->controlById(id)->isEnabled(), qPrintable(QString::number(id)));
        QCOMPARE(m->control<QLineEdit>(Modes::IdStartEdit)->text(), QStringLiteral("0"));
        QCOMPARE(m->control<QLineEdit>(Modes::IdEndEdit)->text(), QStringLiteral("0"));
        QVERIFY(!m->progressBar()->isVisible());
        QVERIFY(!m->stopButton()->isVisible());
        QVERIFY(m->controlById(Modes::IdStandardAction)->isHidden());
        QCOMPARE(m->control<QLabel>(Modes::IdCurrentPath)->text(), m->imagePath());
        QCOMPARE(m->statusLine()->text(), QStringLiteral("Choose any one of the mode and Click Next...."));
        test::screenshot(m, QStringLiteral("scan-mode-page"));

        click(m->control<QRadioButton>(Modes::IdAdvanced));
        QVERIFY(m->controlById(Modes::IdDoNotSkip)->isEnabled());
        QVERIFY(m->controlById(Modes::IdCustom)->isEnabled());
        QVERIFY(!m->controlById(Modes::IdStartEdit)->isEnabled());
        click(m->control<QCheckBox>(Modes::IdCustom));
        QVERIFY(m->controlById(Modes::IdStartEdit)->isEnabled());
        QVERIFY(m->controlById(Modes::IdEndLabel)->isEnabled());
        m->control<QLineEdit>(Modes::IdStartEdit)->setText(QStringLiteral("5000"));
        click(m->control<QRadioButton>(Modes::IdStandard));
        QVERIFY(!m->control<QCheckBox>(Modes::IdCustom)->isChecked());
        QVERIFY(!m->controlById(Modes::IdStartEdit)->isEnabled());
        QCOMPARE(m->control<QLineEdit>(Modes::IdStartEdit)->text(), QStringLiteral("5000"));  // keeps its text
        Volumes* v = next(m);
        QVERIFY(v);
        QCOMPARE(v->settings().mode, 1);
        QCOMPARE(v->settings().customStart, int64_t(0));  // no range without "Custom Setting:"
    }

    void rangesArriveAsTyped() {
        Modes* m = openModes("notable.vdi");
        click(m->control<QRadioButton>(Modes::IdAdvanced));
        click(m->control<QCheckBox>(Modes::IdDoNotSkip));
        click(m->control<QCheckBox>(Modes::IdCustom));
        QTest::keyClicks(m->control<QLineEdit>(Modes::IdStartEdit), QStringLiteral("x"));  // digits only
        m->control<QLineEdit>(Modes::IdStartEdit)->setText(QStringLiteral("2048"));
        m->control<QLineEdit>(Modes::IdEndEdit)->setText(QStringLiteral("409600"));
        Volumes* v = next(m);
        QVERIFY(v);
        QCOMPARE(v->settings().mode, 2);
        QCOMPARE(v->settings().customStart, int64_t(2048));
        QCOMPARE(v->settings().customEnd, int64_t(409600));
        QVERIFY(v->settings().doNotSkip);
        QTRY_VERIFY(!v->worker().running());
        QTest::qWait(10);
        // Inside that range: the NTFS volume and its backup boot sector, then FAT32 and its backup.
        QCOMPARE(column(v->control<QTableWidget>(Volumes::IdList), 3),
                 (QStringList{"2048", "34815", "36864", "36870", "120832", "155648", "155660"}));

        // Back and Next again: a fresh page that scans again.
        QPointer<Volumes> first = v;
        click(v->backButton());
        QTRY_VERIFY(!first);
        QVERIFY(m->isVisible());
        m->control<QLineEdit>(Modes::IdStartEdit)->setText(QStringLiteral("5000"));
        m->control<QLineEdit>(Modes::IdEndEdit)->setText(QStringLiteral("100"));
        Volumes* again = next(m);
        QCOMPARE(again->settings().customStart, int64_t(5000));
        QCOMPARE(again->settings().customEnd, int64_t(100));
        QTRY_VERIFY(!again->worker().running());
    }

    void standardListSelectionAndSpins() {
        Volumes* v = next(openModes("mbr.vdi"));
        auto* list = v->control<QTableWidget>(Volumes::IdList);
        QStringList headers;
        for (int c = 0; c < list->columnCount(); ++c) headers << list->horizontalHeaderItem(c)->text();
        QCOMPARE(headers, (QStringList{"Volume", "File System", "Volume Size", "Start Sector"}));
        QCOMPARE(column(list, 0), (QStringList{"0", "1", "2", "3", "4", "5"}));
        QCOMPARE(column(list, 1), (QStringList{"NTFS", "FAT32", "FAT12", "FAT16", "extX", "FAT64"}));
        QCOMPARE(column(list, 2).first(), QStringLiteral("24   MB"));
        QCOMPARE(v->statusLine()->text(), QStringLiteral("Select volume and click next button..."));
        QVERIFY(v->control<QCheckBox>(Volumes::IdCustomCheck)->isEnabled());
        QVERIFY(!v->controlById(Volumes::IdStartEdit)->isEnabled());
        QVERIFY(v->controlById(Volumes::IdAddCustom)->isHidden());
        test::screenshot(v, QStringLiteral("volume-list-standard"));

        // Row 4 ("extX", 12 MB at 178176).
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(4, 1)).center());
        QCOMPARE(v->control<QLabel>(Volumes::IdSelectedValue)->text(), QStringLiteral("4"));
        QCOMPARE(v->control<QLineEdit>(Volumes::IdStartEdit)->text(), QStringLiteral("178176"));
        QCOMPARE(v->control<QLineEdit>(Volumes::IdEndEdit)->text(), QString::number(12 * 2048 + 178176 - 1));
        QCOMPARE(v->control<QComboBox>(Volumes::IdTreatList)->currentText(), QStringLiteral("EXTX"));

        // The custom settings group opens with its check box; the spins step the edits.
        click(v->control<QCheckBox>(Volumes::IdCustomCheck));
        QVERIFY(v->controlById(Volumes::IdStartEdit)->isEnabled());
        auto* startSpin = v->controlById(Volumes::IdStartSpin);
        click(startSpin->findChild<QToolButton*>(QStringLiteral("up")));
        QCOMPARE(v->control<QLineEdit>(Volumes::IdStartEdit)->text(), QStringLiteral("178177"));
        v->control<QLineEdit>(Volumes::IdStartEdit)->setText(QStringLiteral("0"));
        click(startSpin->findChild<QToolButton*>(QStringLiteral("down")));
        QCOMPARE(v->control<QLineEdit>(Volumes::IdStartEdit)->text(), QStringLiteral("0"));

        // Custom start 2048 and end 4095: one MiB.
        v->control<QLineEdit>(Volumes::IdStartEdit)->setText(QStringLiteral("2048"));
        v->control<QLineEdit>(Volumes::IdEndEdit)->setText(QStringLiteral("4095"));
        click(v->nextButton());
        QVERIFY(v->chosenRecord());
        QCOMPARE(v->chosenRecord()->sizeText, std::string("1"));
        QCOMPARE(v->chosenRecord()->startSector, int64_t(2048));
        QCOMPARE(v->chosenRecord()->fileSystem, std::string("extX"));
        QVERIFY(v->nextPage());
        QCOMPARE(v->nextPage()->caption(), QStringLiteral("Dialog"));
        QVERIFY(!v->isVisible());

        // Back, custom settings off, Next: the record comes back from its row.
        click(v->nextPage()->backButton());
        QTRY_VERIFY(v->isVisible());
        click(v->control<QCheckBox>(Volumes::IdCustomCheck));
        click(v->nextButton());
        QCOMPARE(v->chosenRecord()->startSector, int64_t(178176));
        QCOMPARE(v->chosenRecord()->sizeText, std::string("12"));
    }

    void addCustomTwiceAndRaw() {
        Modes* m = openModes("notable.vdi");
        click(m->control<QRadioButton>(Modes::IdAdvanced));
        Volumes* v = next(m);
        QTRY_VERIFY(!v->worker().running());
        QTRY_VERIFY(v->controlById(Volumes::IdAddCustom)->isEnabled());
        auto* list = v->control<QTableWidget>(Volumes::IdList);
        QCOMPARE(list->rowCount(), 4);
        click(v->controlById(Volumes::IdAddCustom));
        click(v->controlById(Volumes::IdAddCustom));
        // Numbered by the record count at the time; in advanced mode added at the top.
        QCOMPARE(column(list, 0).mid(0, 2), (QStringList{"5", "4"}));
        QCOMPARE(column(list, 1).mid(0, 2), (QStringList{"CUSTOM", "CUSTOM"}));
        QVERIFY(v->control<QCheckBox>(Volumes::IdCustomCheck)->isChecked());
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(v->control<QLineEdit>(Volumes::IdEndEdit)->text(), QStringLiteral("0"));

        auto* treat = v->control<QComboBox>(Volumes::IdTreatList);
        treat->setCurrentText(QStringLiteral("RAW"));
        v->control<QLineEdit>(Volumes::IdStartEdit)->setText(QStringLiteral("2048"));
        v->control<QLineEdit>(Volumes::IdEndEdit)->setText(QStringLiteral("51199"));
        click(v->nextButton());
        QCOMPARE(v->chosenRecord()->fileSystem, std::string("RAW"));
        QCOMPARE(v->chosenRecord()->sizeText, std::string("24"));
        QCOMPARE(v->nextPage()->caption(), QStringLiteral("Raw Recovery Dialog"));
    }

    void failureMessages() {
        // No row selected.
        Volumes* v = next(openModes("mbr.vdi"));
        click(v->nextButton());
        QCOMPARE(script->prompter.messages().back(), std::string("please select a valid volume."));
        QVERIFY(!v->nextPage());
        click(v->backButton());
        QTRY_VERIFY(!imagePage->scanModePage()->volumeListPage());

        // A GPT disk read as MBR: its protective entry is "Unknown".
        Modes* m = openModes("gpt.vdi");
        v = next(m);
        auto* list = v->control<QTableWidget>(Volumes::IdList);
        QCOMPARE(column(list, 1), QStringList{"Unknown"});
        list->selectRow(0);
        click(v->nextButton());
        QCOMPARE(script->prompter.messages().back(), std::string("can not parse unknown volume"));
        QVERIFY(!v->nextPage());
    }

    void noSourceAndUnreadableImage() {
        // A header that is not a VDI header: "file not opened..".
        const std::string bad = test::scratchFolder("gui-not-vdi") + "/bad.vdi";
        test::writeFile(bad, test::readFile(test::fixturePath("pattern.raw")));
        script->prompter.queueFile(bad);
        click(imagePage->control<QPushButton>(VhdInputDialog::IdBrowse));
        click(imagePage->nextButton());
        Volumes* v = next(imagePage->scanModePage());
        QCOMPARE(script->prompter.messages().back(), std::string("file not opened.."));
        QCOMPARE(v->control<QTableWidget>(Volumes::IdList)->rowCount(), 0);

        // No image page that chose a VDI: no reader can be made.
        sharedState().imageSourceTag = kImageChosenTag;
        sharedState().currentSource.reset();
        ScanSettings settings;
        settings.imagePath = QString::fromStdString(test::fixturePath("mbr.vdi"));
        auto orphan = std::make_unique<Volumes>(settings, nullptr);
        orphan->startScan();
        QCOMPARE(script->prompter.messages().back(), std::string("Information lost ..go back and parse again"));
    }

    void advancedScanStopKeepsRowsAndFilter() {
        Modes* m = openModes("notable.vdi");
        click(m->control<QRadioButton>(Modes::IdAdvanced));
        click(m->control<QCheckBox>(Modes::IdDoNotSkip));
        click(m->nextButton());
        Volumes* v = m->volumeListPage();
        QTRY_VERIFY(!v->worker().running());
        const auto shown = script->prompter.messages();
        QCOMPARE(std::count(shown.begin(), shown.end(), std::string("populated partitions....")), 1);
        QCOMPARE(v->statusLine()->text(), QStringLiteral("Select volume and click next button..."));
        auto* list = v->control<QTableWidget>(Volumes::IdList);
        QCOMPARE(list->rowCount(), 7);
        auto* filter = v->control<QPushButton>(Volumes::IdFilter);
        QVERIFY(filter->toolTip().startsWith(QStringLiteral("Filter volume entries")));
        click(filter);
        QCOMPARE(column(list, 3), (QStringList{"2048", "36864", "120832", "155648"}));
        test::screenshot(v, QStringLiteral("volume-list-filtered"));
        click(filter);
        QCOMPARE(column(list, 3).size(), 7);
        // Added in advanced mode: at the top.
        click(v->controlById(Volumes::IdAddCustom));
        QCOMPARE(list->item(0, 1)->text(), QStringLiteral("CUSTOM"));
        QCOMPARE(list->item(0, 0)->text(), QStringLiteral("7"));

        // Stop at the first volume found: that row stays, the scan ends.
        click(v->backButton());
        QTRY_VERIFY(!m->volumeListPage());
        click(m->control<QCheckBox>(Modes::IdDoNotSkip));
        Volumes* stopped = nullptr;
        click(m->nextButton());
        stopped = m->volumeListPage();
        QVERIFY(stopped);
        // The page lists each volume before the worker goes on: stopping there is deterministic.
        bool clickedStop = false;
        connect(stopped, &Volumes::volumeListed, stopped, [&] {
            if (!clickedStop) {
                clickedStop = true;
                QMetaObject::invokeMethod(stopped->stopButton(), "click", Qt::DirectConnection);
            }
        });
        QTRY_VERIFY(!stopped->worker().running());
        QVERIFY(clickedStop);
        QCOMPARE(stopped->control<QTableWidget>(Volumes::IdList)->rowCount(), 1);
        QVERIFY(stopped->backButton()->isEnabled());
    }

    void layoutFits() {
        Volumes* v = next(openModes("mbr.vdi"));
        for (WizardPage* p : {static_cast<WizardPage*>(v), static_cast<WizardPage*>(imagePage->scanModePage())}) {
            p->show();
            p->resize(WizardPage::designSize());
            QTest::qWait(20);
            const QStringList problems = test::layoutProblems(p);
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        }
    }
};

QTEST_MAIN(TestGuiDiscovery)
#include "test_gui_discovery.moc"
