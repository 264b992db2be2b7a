#include "browse/volume_scan_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>

#include "app/shared_state.h"
#include "browse/parser_factory.h"
#include "controls/check_list_view.h"
#include "controls/entry_tree_view.h"
#include "image/read_write_interface.h"
#include "platform/prompter.h"

namespace salvor::gui {

namespace {
constexpr const char* kDoneText = "Scanning processing done.Select save button to save the data.";

QPushButton* addButton(QWidget* page, QHBoxLayout* row, const QString& text, QStyle::StandardPixmap icon, int id) {
    auto* b = new QPushButton(page->style()->standardIcon(icon), text, page);
    b->setAutoDefault(false);
    WizardPage::setControlId(b, id);
    row->addWidget(b);
    return b;
}
}  // namespace

VolumeScanDlg::VolumeScanDlg(const VolumeRecord& record, int mode, WizardPage* owner, VolumeParser* borrowed)
    : WizardPage(QStringLiteral("VOLUME-SCAN"), FrameIds{IdBack, 0, IdStop, IdHelp, IdStatus, IdProgress}, owner),
      record_(record),
      mode_(mode),
      borrowed_(borrowed),
      worker_(this, progressBar(), statusLine()) {
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Volume Data:"), this));
    auto* volumeData = new QLineEdit(this);
    volumeData->setReadOnly(true);
    setControlId(volumeData, IdVolumeData);
    volumeData->setText(QString::fromStdString(record.reserved.empty() ? record.name : record.reserved));
    top->addWidget(volumeData, 1);
    auto* search = new QLineEdit(this);
    setControlId(search, IdSearchEdit);
    top->addWidget(search, 2);
    auto* searchButton = new QPushButton(QStringLiteral("Search"), this);
    searchButton->setAutoDefault(false);
    searchButton->setEnabled(false);  // search comes with its own page work
    setControlId(searchButton, IdSearch);
    top->addWidget(searchButton);
    body()->addLayout(top);
    auto* hint = new QLabel(QStringLiteral("* Use \"|\" to find multiple file type "), this);
    body()->addWidget(hint);

    auto* split = new QSplitter(Qt::Horizontal, this);
    treeView_ = new EntryTreeView(split);
    setControlId(treeView_, IdTree);
    listView_ = new CCheckListCtrlView(list_, split);
    setControlId(listView_, IdList);
    split->addWidget(treeView_);
    split->addWidget(listView_);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 5);
    body()->addWidget(split, 1);

    auto* controls = new QHBoxLayout;
    addButton(this, controls, QStringLiteral("Pause"), QStyle::SP_MediaPause, IdPause);
    addButton(this, controls, QStringLiteral("Resume"), QStyle::SP_MediaPlay, IdResume);
    auto* status2 = new QLabel(this);
    setControlId(status2, IdStatus2);
    controls->addWidget(status2, 1);
    auto* save = addButton(this, controls, QStringLiteral("Save"), QStyle::SP_DialogSaveButton, IdSave);
    connect(save, &QPushButton::clicked, this, &VolumeScanDlg::onSave);
    body()->addLayout(controls);

    auto* output = new QLineEdit(this);
    output->hide();
    setControlId(output, IdOutputFolder);
    auto* exitButton = new QPushButton(QStringLiteral("EXIT"), this);
    exitButton->hide();
    setControlId(exitButton, IdExit);

    connect(qobject_cast<QPushButton*>(controlById(IdPause)), &QPushButton::clicked, this, &VolumeScanDlg::onPause);
    connect(qobject_cast<QPushButton*>(controlById(IdResume)), &QPushButton::clicked, this, &VolumeScanDlg::onResume);
    connect(stopButton(), &QPushButton::clicked, this, &VolumeScanDlg::onStop);
    connect(backButton(), &QPushButton::clicked, this, &VolumeScanDlg::onBack);
    connect(treeView_, &EntryTreeView::labelClicked, this, &VolumeScanDlg::onLabelClicked);
    connect(treeView_, &QTreeView::expanded, this, &VolumeScanDlg::onExpandedOrCollapsed);
    connect(treeView_, &QTreeView::collapsed, this, &VolumeScanDlg::onExpandedOrCollapsed);
    connect(treeView_, &QTreeView::doubleClicked, this, &VolumeScanDlg::onDoubleClicked);
    listView_->listModel()->onRowCheckClicked = [this](size_t row) {
        if (browser_) browser_->rowCheckClicked(row);
    };

    // Opening: busy until the parse has ended.
    backButton()->setEnabled(false);
    progressBar()->show();
    stopButton()->show();
}

VolumeScanDlg::~VolumeScanDlg() {
    // The worker uses the parser and the tree: it ends first.
    if (parser_) parser_->requestStop();
    worker_.stopAndWait();
    treeView_->setModel(nullptr);
    delete treeModel_;
    treeModel_ = nullptr;
}

void VolumeScanDlg::startParse() {
    const ParserKind kind = parserKindFor(record_.fileSystem);
    if (kind == ParserKind::Ntfs) statusLine()->setText(QStringLiteral("ntfs partition selected...."));
    if (kind == ParserKind::Hfsplus) statusLine()->setText(QStringLiteral("HFS+ partition selected...."));
    if (borrowed_) {
        parser_ = borrowed_;
    } else {
        ownParser_ = makeParser(kind);
        parser_ = ownParser_.get();
    }
    if (!parser_) {
        platform::prompter().message("not a valid drive.");
        statusLine()->setText(QStringLiteral("Not a valid Drive .Go back"));
        backButton()->setEnabled(true);
        return;
    }
    SharedState& st = sharedState();
    if (!st.currentSource) {
        platform::prompter().message("Please Restart the program to re begin necessary initialization...");
        return;
    }
    parser_->source = st.currentSource.get();
    parser_->volume = record_;
    parser_->clearStop();
    parser_->tree = &tree_;
    parser_->icons = &icons_;
    parser_->sink = &worker_.sink();
    parser_->control = &worker_.control();
    parser_->recoveryMode = mode_;
    browser_ = std::make_unique<EntryBrowser>(tree_, list_, *parser_, icons_);
    worker_.start([this](platform::WorkerControl&, platform::ProgressSink& sink) {
        const bool accepted = parser_->parse();
        parser_->control = nullptr;  // saves poll the page's own flags
        if (!accepted) {
            // Not a volume of this kind: the tree keeps its root item only.
            platform::prompter().message(parser_->rejectMessage());
            worker_.onPage([this] {
                backButton()->setEnabled(true);
                treeModel_ = new TreeModel(tree_, iconProvider_, this);
                treeView_->setModel(treeModel_);
                busy_ = false;
                emit parseFinished();
            });
            return;
        }
        // The ending steps run also after a stop.
        browser_->finishTree();
        browser_->renameRecycleBin();
        worker_.onPage([this] { backButton()->setEnabled(true); });
        if (!parser_->firstMessage().empty()) platform::prompter().message(parser_->firstMessage());
        platform::prompter().message(kDoneText);
        sink.setStatus(kDoneText);
        if (parser_->finalStatus() != kDoneText) sink.setStatus(parser_->finalStatus());
        worker_.onPage([this] { finishParse(); });
    });
}

void VolumeScanDlg::finishParse() {
    progressBar()->hide();
    for (int id : {IdPause, IdResume}) controlById(id)->hide();
    stopButton()->hide();
    // The tree is shown once the worker no longer changes it.
    treeModel_ = new TreeModel(tree_, iconProvider_, this);
    treeView_->setModel(treeModel_);
    const QModelIndex root = treeModel_->indexOf(tree_.rootItem());
    if (root.isValid() && tree_.isExpanded(tree_.rootItem())) treeView_->expand(root);
    busy_ = false;
    emit parseFinished();
}

void VolumeScanDlg::onLabelClicked(const QModelIndex& index) {
    if (busy_ || !browser_ || !treeModel_) return;
    const TreeItem item = treeModel_->itemAt(index);
    tree_.selectItem(item);
    browser_->labelClick(item);
}

void VolumeScanDlg::onExpandedOrCollapsed(const QModelIndex& index) {
    if (busy_ || !browser_ || !treeModel_) return;
    const TreeItem item = treeModel_->itemAt(index);
    tree_.setExpanded(item, treeView_->isExpanded(index));
    browser_->expand(item);
}

void VolumeScanDlg::onDoubleClicked(const QModelIndex& index) {
    if (busy_ || !browser_ || !treeModel_) return;
    const TreeItem item = treeModel_->itemAt(index);
    if (browser_->doubleClick(item)) saveDoubleClicked(item);
}

void VolumeScanDlg::runSave(uint64_t count, const std::function<void(Saver&, platform::OutputDir&)>& work) {
    std::string error;
    auto dir = platform::OutputDir::open(outputFolder_.toStdString(), error);
    if (!dir) {
        platform::prompter().message("Please select valid output folder");
        return;
    }
    busy_ = true;
    progressBar()->setRange(0, static_cast<int>(std::min<uint64_t>(count, INT32_MAX)));
    progressBar()->setValue(0);
    progressBar()->show();
    stopButton()->show();
    backButton()->setEnabled(false);
    std::shared_ptr<platform::OutputDir> target(std::move(dir));
    worker_.start([this, count, work, target](platform::WorkerControl& worker, platform::ProgressSink& sink) {
        Saver saver(*parser_, &sink, [this, &worker] { return !stopFlag_ && worker.poll(); });
        saver.onFileStart = [this](const std::string&, int64_t size) {
            worker_.onPage([this, size] {
                control<QLabel>(IdStatus2)->setText(QStringLiteral("File size: %1 kb").arg(size / 1024));
            });
        };
        saver.onFile = [this](const std::string&, const EntryFace::SaveOutcome&) {
            worker_.onPage([this] { control<QLabel>(IdStatus2)->clear(); });
        };
        work(saver, *target);
        sink.setPosition(static_cast<int64_t>(std::min<uint64_t>(count, INT32_MAX)));
        const SaveReport report = saver.report();
        worker_.onPage([this, report] {
            lastSave_ = report;
            progressBar()->hide();
            stopButton()->hide();
            backButton()->setEnabled(true);
            const uint64_t short_ = report.incomplete + report.failed;
            statusLine()->setText(short_ == 0 ? QStringLiteral("work done")
                                              : QStringLiteral("work done: %1 file(s) could not be written whole (first: %2)")
                                                    .arg(short_)
                                                    .arg(QString::fromStdString(report.problems.front())));
            busy_ = false;
        });
        platform::prompter().message("work done");
        worker_.onPage([this] { emit saveFinished(); });
    });
}

void VolumeScanDlg::onSave() {
    if (busy_) {
        platform::prompter().message("Please wait for other process to complete");
        return;
    }
    const auto chosen = platform::prompter().chooseFolder("Please choose a folder.", outputFolder_.toStdString());
    if (!chosen || chosen->empty()) {
        platform::prompter().message("Please select valid output folder");
        return;
    }
    outputFolder_ = QString::fromStdString(*chosen);
    control<QLineEdit>(IdOutputFolder)->setText(outputFolder_);
    Saver counter(*parser_, nullptr, nullptr);
    auto ask = [](uint64_t n) {
        return platform::prompter().message("number of files found inside this folder = " + std::to_string(n) +
                                                " .do u want to continue dumping these files..?",
                                            platform::Buttons::YesNo) == platform::Answer::Yes;
    };
    // Checked entries first: everything checked, with its folder structure.
    if (tree_.checkedCount() > 0) {
        const uint64_t n = counter.countChecked(tree_);
        progressBar()->setRange(0, static_cast<int>(std::min<uint64_t>(n, INT32_MAX)));
        if (!ask(n)) return;
        runSave(n, [this](Saver& saver, platform::OutputDir& dir) { saver.saveChecked(tree_, dir); });
        return;
    }
    const TreeItem item = tree_.selectedItem();
    const uint64_t ref = tree_.itemData(item);
    if (ref == kNoData || !parser_->validRef(ref) || ref == 0) return;
    if (parser_->isSaveFolder(ref)) {
        const uint64_t n = counter.countFiles(ref);
        progressBar()->setRange(0, static_cast<int>(std::min<uint64_t>(n, INT32_MAX)));
        if (!ask(n)) return;
        runSave(n, [ref](Saver& saver, platform::OutputDir& dir) { saver.saveContents(ref, dir); });
    } else if (parser_->isSaveFile(ref)) {
        runSave(1, [ref](Saver& saver, platform::OutputDir& dir) { saver.saveFile(ref, dir); });
    }
}

void VolumeScanDlg::saveDoubleClicked(TreeItem item) {
    if (busy_) {
        platform::prompter().message("Please wait for other process to complete");
        return;
    }
    if (outputFolder_.isEmpty()) {
        platform::prompter().message("Please select valid output folder");
        return;
    }
    const uint64_t ref = tree_.itemData(item);
    if (ref == kNoData || !parser_->validRef(ref)) return;
    runSave(1, [ref](Saver& saver, platform::OutputDir& dir) { saver.saveFile(ref, dir); });
}

void VolumeScanDlg::onPause() {
    if (!worker_.running()) return;
    worker_.pause();
    statusLine()->setText(QStringLiteral("Pause button pressed"));
}

void VolumeScanDlg::onResume() {
    if (!worker_.running()) return;
    worker_.resume();
    statusLine()->setText(QStringLiteral("Resume button pressed"));
}

void VolumeScanDlg::onStop() {
    if (!parser_) return;
    if (!busy_) {
        stopFlag_ = true;
        return;
    }
    parser_->requestStop();
    worker_.stop();
    stopFlag_ = true;
    statusLine()->setText(QStringLiteral("stop button pressed.Please wait for the process to be stopped."));
}

void VolumeScanDlg::onBack() {
    if (parser_) parser_->requestStop();
    worker_.stopAndWait();
    goBack();
}

void VolumeScanDlg::beforeProcessEnds() {
    if (parser_) {
        parser_->requestStop();
        statusLine()->setText(QStringLiteral("All thread Stopped"));
    }
}

}  // namespace salvor::gui
