// The recovery-mode page and the browse page on the offscreen platform.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "app/shared_state.h"
#include "browse/advance_options.h"
#include "browse/parce_mode_ntfs_dlg.h"
#include <QComboBox>
#include "browse/volume_scan_dlg.h"
#include "controls/check_list_view.h"
#include "controls/entry_tree_view.h"
#include "fixture.h"
#include "gui_test_support.h"
#include "app/drive_parsing_modes.h"
#include "app/populate_drive_dlg.h"
#include "app/vhd_input_dialog.h"
#include "image/vdi_reader.h"
#include "sha256.h"

#include <QTableWidget>
#include <filesystem>

using namespace salvor;
using namespace salvor::gui;
using Modes = ParceModeNtfsDlg;

namespace {
constexpr const char* kDone = "Scanning processing done.Select save button to save the data.";
}

class TestGuiBrowse : public QObject {
    Q_OBJECT

    std::unique_ptr<test::GuiScript> script;
    std::unique_ptr<WizardPage> owner;

    VolumeRecord ntfsRecord() {
        const auto v = test::manifest("mbr")["volumes"][0];
        return VolumeRecord{"NTFS", "", "0", "24   MB", v["start"], v["sectors"]};
    }
    std::unique_ptr<VolumeScanDlg> browsePage(const VolumeRecord& r, int mode = 1) {
        auto page = std::make_unique<VolumeScanDlg>(r, mode, owner.get());
        page->show();
        return page;
    }
    QStringList firstLevel(VolumeScanDlg* page) {
        QStringList out;
        CXHtmlTree& t = page->tree();
        for (TreeItem c = t.firstChild(t.rootItem()); c; c = t.nextSibling(c)) out << QString::fromStdString(t.itemText(c));
        return out;
    }
    TreeItem firstLevelItem(VolumeScanDlg* page, const std::string& name) {
        CXHtmlTree& t = page->tree();
        for (TreeItem c = t.firstChild(t.rootItem()); c; c = t.nextSibling(c))
            if (t.itemText(c) == name) return c;
        return kNoItem;
    }

private slots:
    void init() {
        sharedState().reset();
        auto src = std::make_unique<FileReadSeekVdi>();
        QVERIFY(src->open(test::fixturePath("mbr.vdi")));
        sharedState().currentSource = std::move(src);
        script = std::make_unique<test::GuiScript>();
        owner = std::make_unique<WizardPage>(QStringLiteral("owner"), WizardPage::FrameIds{}, nullptr);
    }
    void cleanup() {
        owner.reset();
        script.reset();
        sharedState().reset();
    }

    void recoveryModesPerFileSystem() {
        struct Case { const char* fs; bool advanced, deep; } cases[] = {
            {"FAT32", true, false}, {"extX", false, false}, {"HFS+", false, true}, {"NTFS", true, true},
            {"  ntfs", true, true}, {"FAT64", true, false}};
        for (const auto& c : cases) {
            Modes page(VolumeRecord{c.fs, "", "0", "8", 2048, 0}, owner.get());
            page.show();
            QVERIFY(page.control<QRadioButton>(Modes::IdStandard)->isVisible());
            QCOMPARE(page.control<QRadioButton>(Modes::IdAdvanced)->isVisible(), c.advanced);
            QCOMPARE(page.control<QRadioButton>(Modes::IdDeep)->isVisible(), c.deep);
            QVERIFY(page.control<QRadioButton>(Modes::IdStandard)->isChecked());
            QCOMPARE(page.mode(), 1);
        }
        Modes fat(VolumeRecord{"FAT32", "", "0", "40", 2048, 0}, owner.get());
        fat.show();
        QVERIFY(!fat.controlById(Modes::IdFormatted)->isVisible());
        QVERIFY(!fat.controlById(Modes::IdMaxEdit)->isVisible());
        QTest::mouseClick(fat.control<QRadioButton>(Modes::IdAdvanced), Qt::LeftButton);
        QVERIFY(fat.controlById(Modes::IdFormatted)->isVisible());
        QCOMPARE(fat.control<QLineEdit>(Modes::IdMaxEdit)->text(), QStringLiteral("3"));
        QTest::mouseClick(fat.control<QCheckBox>(Modes::IdFormatted), Qt::LeftButton);
        QVERIFY(sharedState().driveFormatted);
        QTest::mouseClick(fat.control<QRadioButton>(Modes::IdAdvanced), Qt::LeftButton);  // any mode click clears it
        QVERIFY(!sharedState().driveFormatted);
        QVERIFY(!fat.control<QCheckBox>(Modes::IdFormatted)->isChecked());
        fat.control<QLineEdit>(Modes::IdMaxEdit)->setText(QStringLiteral("0"));
        QCOMPARE(fat.maxCandidates(), 3);
        test::screenshot(&fat, QStringLiteral("recovery-mode-page"));
        Modes ntfs(VolumeRecord{"NTFS", "", "0", "24", 2048, 0}, owner.get());
        ntfs.show();
        QTest::mouseClick(ntfs.control<QRadioButton>(Modes::IdAdvanced), Qt::LeftButton);
        QVERIFY(!ntfs.controlById(Modes::IdFormatted)->isVisible());
    }

    void standardParseOfNtfs() {
        auto page = browsePage(ntfsRecord());
        QVERIFY(page->busy());
        QVERIFY(!page->backButton()->isEnabled());
        QSignalSpy done(page.get(), &VolumeScanDlg::parseFinished);
        page->startParse();
        QVERIFY(done.wait(20000));
        QVERIFY(!page->busy());
        QVERIFY(page->backButton()->isEnabled());
        QVERIFY(!page->progressBar()->isVisible());
        QVERIFY(!page->stopButton()->isVisible());
        const auto shown = script->prompter.messages();
        QCOMPARE(shown.back(), std::string(kDone));
        QCOMPARE(page->statusLine()->text(), QStringLiteral("Processing done..."));
        const QStringList level = firstLevel(page.get());
        for (const char* name : {"$MFTMirr", "docs", "many", "gone", "small.txt", "deleted.txt", "ORPHAN_ENTRY"})
            QVERIFY2(level.contains(QString::fromUtf8(name)), name);
        QCOMPARE(level.first(), QStringLiteral("$MFTMirr"));
        // Folders with children carry a placeholder; deleted entries are red.
        CXHtmlTree& t = page->tree();
        QCOMPARE(t.itemText(t.firstChild(firstLevelItem(page.get(), "docs"))), std::string("..DUMY.."));
        QCOMPARE(t.textColor(firstLevelItem(page.get(), "deleted.txt")), kDeletedColor);
        QCOMPARE(t.textColor(firstLevelItem(page.get(), "small.txt")), kDefaultColor);

        // Browsing: a label click on "docs" fills it and lists its files.
        TreeModel* model = page->treeModel();
        QVERIFY(model);
        const QModelIndex docs = model->indexOf(firstLevelItem(page.get(), "docs"));
        page->treeView()->scrollTo(docs);
        QTest::mouseClick(page->treeView()->viewport(), Qt::LeftButton, {}, page->treeView()->visualRect(docs).center() + QPoint(20, 0));
        QCOMPARE(page->list().rows().size(), size_t(2));
        QCOMPARE(page->list().rows()[0].texts[0], std::string("report.txt"));
        QCOMPARE(model->rowCount(docs), 3);
        test::screenshot(page.get(), QStringLiteral("browse-page-ntfs"));
        // Expanding "many" through the view fills it without touching the list (NTFS).
        const QModelIndex many = model->indexOf(firstLevelItem(page.get(), "many"));
        page->treeView()->expand(many);
        QCOMPARE(model->rowCount(many), 150);
        QCOMPARE(page->list().rows().size(), size_t(2));
        // A row check reaches the tree.
        page->listView()->listModel()->setData(page->listView()->listModel()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        QVERIFY(t.getCheck(page->list().rows()[0].item));
    }

    void pauseTwiceResumeOnceAndStop() {
        auto page = browsePage(ntfsRecord());
        QSignalSpy done(page.get(), &VolumeScanDlg::parseFinished);
        // Paused before it starts: the worker waits at its first poll.
        page->worker().pause();
        page->worker().pause();
        page->startParse();
        QTRY_VERIFY(page->worker().control().waiting());
        QTest::mouseClick(page->control<QPushButton>(VolumeScanDlg::IdResume), Qt::LeftButton);
        QCOMPARE(page->statusLine()->text(), QStringLiteral("Resume button pressed"));
        QTest::qWait(50);
        QVERIFY(page->worker().control().waiting());
        QVERIFY(page->busy());
        QVERIFY(!page->backButton()->isEnabled());
        // Stop ends the paused parse through the same ending.
        QTest::mouseClick(page->stopButton(), Qt::LeftButton);
        QVERIFY(done.wait(20000));
        QCOMPARE(script->prompter.messages().back(), std::string(kDone));
        QVERIFY(page->backButton()->isEnabled());
        QCOMPARE(firstLevel(page.get()), QStringList{"ORPHAN_ENTRY"});
    }

    void unknownFileSystemAndNoSource() {
        auto page = browsePage(VolumeRecord{"CUSTOM", "", "0", "8", 2048, 0});
        page->startParse();
        QCOMPARE(script->prompter.messages().back(), std::string("not a valid drive."));
        QCOMPARE(page->statusLine()->text(), QStringLiteral("Not a valid Drive .Go back"));
        QVERIFY(page->backButton()->isEnabled());
        QVERIFY(page->busy());
        sharedState().currentSource.reset();
        auto lost = browsePage(ntfsRecord());
        lost->startParse();
        QCOMPARE(script->prompter.messages().back(), std::string("Please Restart the program to re begin necessary initialization..."));
        QVERIFY(!lost->backButton()->isEnabled());
    }

    std::unique_ptr<VolumeScanDlg> parsedPage() {
        auto page = browsePage(ntfsRecord());
        QSignalSpy done(page.get(), &VolumeScanDlg::parseFinished);
        page->startParse();
        if (!done.wait(20000)) return nullptr;
        return page;
    }
    void select(VolumeScanDlg* page, const std::string& name) { page->tree().selectItem(firstLevelItem(page, name)); }
    void clickSave(VolumeScanDlg* page) { QTest::mouseClick(page->control<QPushButton>(VolumeScanDlg::IdSave), Qt::LeftButton); }

    void saveAsksAndHonoursNoAndStop() {
        auto page = parsedPage();
        QVERIFY(page);
        const std::string out = test::scratchFolder("gui-save-no");
        // Nothing selected: nothing written.
        script->prompter.queueFolder(out);
        clickSave(page.get());
        QVERIFY(std::filesystem::is_empty(out));
        QCOMPARE(script->prompter.folderRequests().back(), std::string());
        // A folder: the count question; No creates nothing.
        select(page.get(), "many");
        script->prompter.queueFolder(out);
        script->prompter.queueAnswer(platform::Answer::No);
        clickSave(page.get());
        QCOMPARE(script->prompter.messages().back(),
                 std::string("number of files found inside this folder = 150 .do u want to continue dumping these files..?"));
        QVERIFY(std::filesystem::is_empty(out));
        QCOMPARE(script->prompter.folderRequests().back(), out);  // the chooser opens at the last folder
        // Cancelled chooser.
        script->prompter.queueFolder(std::nullopt);
        clickSave(page.get());
        QCOMPARE(script->prompter.messages().back(), std::string("Please select valid output folder"));
        // Stop before a save: it ends before its first file.
        QTest::mouseClick(page->stopButton(), Qt::LeftButton);
        QSignalSpy saved(page.get(), &VolumeScanDlg::saveFinished);
        script->prompter.queueFolder(out);
        clickSave(page.get());
        QVERIFY(saved.wait(20000));
        QCOMPARE(script->prompter.messages().back(), std::string("work done"));
        QVERIFY(std::filesystem::is_empty(out));
    }

    void checkedEntriesAreWrittenWithTheirStructure() {
        auto page = parsedPage();
        QVERIFY(page);
        CXHtmlTree& t = page->tree();
        const TreeItem docs = firstLevelItem(page.get(), "docs");
        t.setCheck(docs, true);
        t.setCheck(firstLevelItem(page.get(), "small.txt"), true);
        const std::string out = test::scratchFolder("gui-save-checked");
        QSignalSpy saved(page.get(), &VolumeScanDlg::saveFinished);
        script->prompter.queueFolder(out);
        clickSave(page.get());
        QVERIFY(saved.wait(20000));
        QCOMPARE(script->prompter.messages()[script->prompter.messages().size() - 2],
                 std::string("number of files found inside this folder = 4 .do u want to continue dumping these files..?"));
        QVERIFY(std::filesystem::exists(out + "/small.txt"));
        QVERIFY(std::filesystem::exists(out + "/docs/nested/deep/leaf.txt"));
        QVERIFY(std::filesystem::exists(out + "/docs/big.bin"));
        QCOMPARE(page->lastSave().written, uint64_t(4));
        QCOMPARE(page->statusLine()->text(), QStringLiteral("work done"));
    }

    void wholeWizardSavesAFolder() {
        // Image page, scan-mode page, volume list page, recovery-mode page, browse page.
        sharedState().reset();
        auto image = std::make_unique<VhdInputDialog>();
        image->show();
        script->prompter.queueFile(test::fixturePath("mbr.vdi"));
        QTest::mouseClick(image->control<QPushButton>(VhdInputDialog::IdBrowse), Qt::LeftButton);
        QTest::mouseClick(image->nextButton(), Qt::LeftButton);
        DriveParsingModes* modes = image->scanModePage();
        QVERIFY(modes);
        QTest::mouseClick(modes->nextButton(), Qt::LeftButton);
        PopulateDriveDlg* volumes = modes->volumeListPage();
        QVERIFY(volumes);
        volumes->control<QTableWidget>(PopulateDriveDlg::IdList)->selectRow(0);
        QTest::mouseClick(volumes->nextButton(), Qt::LeftButton);
        auto* recovery = qobject_cast<ParceModeNtfsDlg*>(volumes->nextPage());
        QVERIFY(recovery);
        QTest::mouseClick(recovery->nextButton(), Qt::LeftButton);
        auto* page = qobject_cast<VolumeScanDlg*>(recovery->nextPage());
        QVERIFY(page);
        QSignalSpy done(page, &VolumeScanDlg::parseFinished);
        QVERIFY(done.wait(20000));
        test::screenshot(page, QStringLiteral("wizard-browse-page"));
        select(page, "docs");
        const std::string out = test::scratchFolder("gui-wizard");
        QSignalSpy saved(page, &VolumeScanDlg::saveFinished);
        script->prompter.queueFolder(out);
        clickSave(page);
        QVERIFY(saved.wait(20000));
        const auto vol = test::manifest("mbr")["volumes"][0];
        int checked = 0;
        for (const auto& e : vol["entries"]) {
            const std::string path = e["path"];
            if (e["kind"] != "file" || path.rfind("docs/", 0) != 0) continue;
            const std::string file = out + "/" + path.substr(5);
            QVERIFY2(std::filesystem::exists(file), file.c_str());
            QCOMPARE(test::sha256Hex(test::readFile(file)), e["sha256"].get<std::string>());
            ++checked;
        }
        QCOMPARE(checked, 3);
        image.reset();
    }

    void advancedInputForNtfs() {
        sharedState().reset();
        auto src = std::make_unique<FileReadSeekVdi>();
        QVERIFY(src->open(test::fixturePath("ntfsdamage.vdi")));
        sharedState().currentSource = std::move(src);
        const auto v = test::manifest("ntfsdamage")["volumes"][0];
        const VolumeRecord record{"NTFS", "", "0", "64   MB", v["start"], v["sectors"]};
        auto* modes = new Modes(record, owner.get());
        modes->show();
        QTest::mouseClick(modes->control<QRadioButton>(Modes::IdAdvanced), Qt::LeftButton);
        // Search held at its first poll, to see the page while it searches.
        auto* page = new advanceOptions(record, modes->maxCandidates(), modes);
        page->show();
        page->worker().pause();
        page->startSearch();
        QTRY_VERIFY(page->worker().control().waiting());
        QVERIFY(!page->nextButton()->isEnabled());
        QVERIFY(!page->backButton()->isEnabled());
        QVERIFY(page->controlById(advanceOptions::IdClusters)->isVisible());
        QVERIFY(!page->controlById(advanceOptions::IdHeap)->isVisible());
        QCOMPARE(page->control<QLabel>(advanceOptions::IdCandidateLabel)->text(), QStringLiteral("TFS :"));
        test::screenshot(page, QStringLiteral("advance-options-searching"));
        // Back during the search returns only after the worker ended.
        QPointer<advanceOptions> gone = page;
        QTest::mouseClick(page->stopButton(), Qt::LeftButton);
        QVERIFY(page->backButton()->isEnabled());
        QTest::mouseClick(page->backButton(), Qt::LeftButton);
        QVERIFY(!page->worker().running());
        QTRY_VERIFY(!gone);

        // A full search, then an Advanced parse of the current MFT.
        QTest::mouseClick(modes->nextButton(), Qt::LeftButton);
        auto* advanced = qobject_cast<advanceOptions*>(modes->nextPage());
        QVERIFY(advanced);
        QTRY_VERIFY_WITH_TIMEOUT(advanced->nextButton()->isEnabled(), 20000);
        QTRY_VERIFY(!advanced->worker().running());
        QStringList items;
        for (int i = 0; i < advanced->candidates()->count(); ++i) items << advanced->candidates()->itemText(i);
        QVERIFY(items.size() >= 2);
        QCOMPARE(items[0], QStringLiteral("MFT_ENTRY:0 (sector %1)").arg(v["start"].get<int64_t>() + 16384 / 512));
        QCOMPARE(items[1], QStringLiteral("MFT_ENTRY:1 (sector %1)").arg(v["start"].get<int64_t>() + 131072 / 512));
        QStringList clusters;
        for (int i = 0; i < advanced->clusterSizes()->count(); ++i) clusters << advanced->clusterSizes()->itemText(i);
        QCOMPARE(clusters, (QStringList{"8", "4", "2", "16", "32", "64", "128"}));
        QVERIFY(QString::fromStdString(script->prompter.messages().back()).startsWith(QStringLiteral("Number of MFT-ENTRY found = ")));
        QCOMPARE(advanced->statusLine()->text(), QStringLiteral("Parsing done.Click next to continue."));
        test::screenshot(advanced, QStringLiteral("advance-options-found"));
        QTest::mouseClick(advanced->nextButton(), Qt::LeftButton);
        VolumeScanDlg* browse = advanced->browsePage();
        QVERIFY(browse);
        QSignalSpy done(browse, &VolumeScanDlg::parseFinished);
        QVERIFY(done.wait(20000));
        QVERIFY(firstLevel(browse).contains(QStringLiteral("second.txt")));
        QVERIFY(firstLevel(browse).contains(QStringLiteral("after")));
        delete modes;
    }

    void fatVolumesThroughTheBrowsePage() {
        const auto m = test::manifest("mbr");
        const auto fat32 = m["volumes"][1];
        auto page = browsePage(VolumeRecord{"FAT32", "", "1", "40   MB", fat32["start"], fat32["sectors"]});
        QSignalSpy done(page.get(), &VolumeScanDlg::parseFinished);
        page->startParse();
        QVERIFY(done.wait(20000));
        QCOMPARE(script->prompter.messages().back(), std::string(kDone));
        QCOMPARE(page->statusLine()->text(), QString::fromUtf8(kDone));
        QVERIFY(firstLevel(page.get()).contains(QStringLiteral("docs")));
        QCOMPARE(page->tree().itemText(page->tree().firstChild(firstLevelItem(page.get(), "docs"))), std::string("..DUMY.."));
        QVERIFY(page->backButton()->isEnabled());

        // FAT16: "done..." first.
        script->prompter.clear();
        const auto fat16 = m["volumes"][3];
        auto page16 = browsePage(VolumeRecord{"FAT16", "", "3", "16   MB", fat16["start"], fat16["sectors"]});
        QSignalSpy done16(page16.get(), &VolumeScanDlg::parseFinished);
        page16->startParse();
        QVERIFY(done16.wait(20000));
        QCOMPARE(script->prompter.messages(), (std::vector<std::string>{"done...", kDone}));

        // A volume that is not FAT32: the message, Back enabled, only the root item.
        auto wrong = browsePage(VolumeRecord{"FAT32", "", "0", "24   MB", m["volumes"][0]["start"], m["volumes"][0]["sectors"]});
        QSignalSpy doneWrong(wrong.get(), &VolumeScanDlg::parseFinished);
        wrong->startParse();
        QVERIFY(doneWrong.wait(20000));
        QCOMPARE(script->prompter.messages().back(), std::string("Selected Drive is not in Fat32 Format"));
        QVERIFY(wrong->backButton()->isEnabled());
        QVERIFY(!wrong->busy());
        QCOMPARE(wrong->tree().childCount(wrong->tree().rootItem()), 0);

        // The recycle bin of a FAT32 volume shows the former names.
        sharedState().reset();
        auto src = std::make_unique<FileReadSeekVdi>();
        QVERIFY(src->open(test::fixturePath("fatrecycle.vdi")));
        sharedState().currentSource = std::move(src);
        const auto rv = test::manifest("fatrecycle")["volumes"][0];
        auto recycle = browsePage(VolumeRecord{"FAT32", "", "0", "38", rv["start"], rv["sectors"]});
        QSignalSpy doneRecycle(recycle.get(), &VolumeScanDlg::parseFinished);
        recycle->startParse();
        QVERIFY(doneRecycle.wait(20000));
        const TreeItem bin = firstLevelItem(recycle.get(), "$RECYCLE.BIN");
        QVERIFY(bin);
        recycle->tree().selectItem(bin);
        QTest::mouseClick(recycle->treeView()->viewport(), Qt::LeftButton, {},
                          recycle->treeView()->visualRect(recycle->treeModel()->indexOf(bin)).center() + QPoint(20, 0));
        QStringList listed;
        for (const auto& row : recycle->list().rows()) listed << QString::fromStdString(row.texts[0]);
        QVERIFY(listed.contains(QStringLiteral("notes.txt")));
        QVERIFY(listed.contains(QString::fromUtf8("Résumé 2021.pdf")));
        test::screenshot(recycle.get(), QStringLiteral("browse-page-fat32-recycle"));
    }

    void advancedInputWithoutASearchLetsTheUserGoBack() {
        const VolumeRecord fat{"FAT32", "", "1", "40", 51200, 81920};
        auto* modes = new Modes(fat, owner.get());
        auto* page = new advanceOptions(fat, 3, modes);
        page->show();
        page->startSearch();
        QVERIFY(page->backButton()->isEnabled());
        QVERIFY(!page->nextButton()->isEnabled());
        QVERIFY(!page->worker().running());
        delete modes;
    }

    void backAfterTheParse() {
        auto* modes = new Modes(ntfsRecord(), owner.get());
        modes->show();
        QTest::mouseClick(modes->nextButton(), Qt::LeftButton);
        QPointer<VolumeScanDlg> page = qobject_cast<VolumeScanDlg*>(modes->nextPage());
        QVERIFY(page);
        QSignalSpy done(page.data(), &VolumeScanDlg::parseFinished);
        QVERIFY(done.wait(20000));
        QTest::mouseClick(page->backButton(), Qt::LeftButton);
        QTRY_VERIFY(!page);
        QVERIFY(modes->isVisible());
        delete modes;
    }
};

QTEST_MAIN(TestGuiBrowse)
#include "test_gui_browse.moc"
