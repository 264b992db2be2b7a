#include "browse/advance_options.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/shared_state.h"
#include "browse/parce_mode_ntfs_dlg.h"
#include "browse/parser_factory.h"
#include "browse/volume_scan_dlg.h"
#include "platform/prompter.h"

namespace salvor::gui {

advanceOptions::advanceOptions(const VolumeRecord& record, int maxCandidates, ParceModeNtfsDlg* owner)
    : WizardPage(QStringLiteral("ADVANCE OPTIONS"), FrameIds{IdBack, IdNext, IdStop, IdHelp, IdStatus, IdProgress}, owner),
      record_(record),
      maxCandidates_(maxCandidates < 1 ? 3 : maxCandidates),
      worker_(this, progressBar(), statusLine()) {
    auto* group = new QGroupBox(QStringLiteral("Advanced Input:"), this);
    setControlId(group, IdGroup);
    auto* grid = new QGridLayout(group);
    const struct { int labelId, listId; const char* text; } rows[] = {
        {IdCandidateLabel, IdCandidates, "TFS :"}, {IdClusterLabel, IdClusters, "Sector Per Cluster :"},
        {IdHeapLabel, IdHeap, "Heap Offset :"}};
    int row = 0;
    for (const auto& r : rows) {
        auto* label = new QLabel(QString::fromUtf8(r.text), group);
        auto* list = new QComboBox(group);
        list->setMinimumWidth(260);
        setControlId(label, r.labelId);
        setControlId(list, r.listId);
        grid->addWidget(label, row, 0);
        grid->addWidget(list, row, 1);
        ++row;
    }
    grid->setColumnStretch(2, 1);
    body()->addWidget(group);
    body()->addStretch(1);
    auto* controls = new QHBoxLayout;
    for (auto [id, text, icon] : {std::tuple{IdPause, "Pause", QStyle::SP_MediaPause}, std::tuple{IdResume, "Resume", QStyle::SP_MediaPlay}}) {
        auto* b = new QPushButton(style()->standardIcon(icon), QString::fromUtf8(text), this);
        b->setAutoDefault(false);
        setControlId(b, id);
        controls->addWidget(b);
    }
    controls->addStretch(1);
    body()->addLayout(controls);
    auto* exitButton = new QPushButton(QStringLiteral("exit"), this);
    exitButton->hide();
    setControlId(exitButton, IdExit);

    connect(control<QPushButton>(IdPause), &QPushButton::clicked, this, [this] {
        if (!worker_.running()) return;
        worker_.pause();
        statusLine()->setText(QStringLiteral("Pause button pressed"));
    });
    connect(control<QPushButton>(IdResume), &QPushButton::clicked, this, [this] {
        if (!worker_.running()) return;
        worker_.resume();
        statusLine()->setText(QStringLiteral("Resume button pressed"));
    });
    connect(stopButton(), &QPushButton::clicked, this, [this] {
        if (!parser_) return;
        parser_->requestStop();
        statusLine()->setText(QStringLiteral("stop button pressed"));
        backButton()->setEnabled(true);
        nextButton()->setEnabled(true);
    });
    connect(nextButton(), &QPushButton::clicked, this, &advanceOptions::onNext);
    connect(backButton(), &QPushButton::clicked, this, &advanceOptions::onBack);

    nextButton()->setEnabled(false);
    backButton()->setEnabled(false);
    for (int id : {IdClusterLabel, IdClusters, IdHeapLabel, IdHeap}) controlById(id)->hide();
}

advanceOptions::~advanceOptions() {
    // The browse page borrows the parser and the search uses it: both end
    // before the parser goes (a child page would otherwise be destroyed after
    // this page's members).
    if (browse_) delete browse_.data();
    if (parser_) parser_->requestStop();
    worker_.stopAndWait();
}

QComboBox* advanceOptions::candidates() const { return control<QComboBox>(IdCandidates); }
QComboBox* advanceOptions::clusterSizes() const { return control<QComboBox>(IdClusters); }
VolumeScanDlg* advanceOptions::browsePage() const { return qobject_cast<VolumeScanDlg*>(browse_.data()); }

void advanceOptions::startSearch() {
    if (parserKindFor(record_.fileSystem) != ParserKind::Ntfs) {
        // No search for this file system yet: the user is not left without a way back.
        statusLine()->setText(QStringLiteral("Advanced search is not available for this file system yet. "
                                             "Go back and choose Standard."));
        backButton()->setEnabled(true);
        return;
    }
    controlById(IdClusterLabel)->show();
    controlById(IdClusters)->show();
    statusLine()->setText(QStringLiteral("ntfs partition selected...."));
    if (!sharedState().currentSource) {
        platform::prompter().message("Please Restart the program to re begin necessary initialization...");
        return;
    }
    parser_ = std::make_unique<ntfs>();
    parser_->source = sharedState().currentSource.get();
    parser_->volume = record_;
    parser_->sink = &worker_.sink();
    parser_->control = &worker_.control();
    progressBar()->show();
    stopButton()->show();
    const uint32_t max = static_cast<uint32_t>(maxCandidates_);
    worker_.start([this, max](platform::WorkerControl&, platform::ProgressSink& sink) {
        parser_->prepareVolume();
        parser_->readBootSector();
        const uint32_t n = parser_->findMftCopies(max);
        const std::vector<int64_t> found = parser_->foundMfts;
        const int64_t start = record_.startSector;
        worker_.onPage([this, found, start] {
            QComboBox* list = candidates();
            list->clear();
            // Where each copy lies, after its index.
            for (size_t i = 0; i < found.size(); ++i)
                list->addItem(QStringLiteral("MFT_ENTRY:%1 (sector %2)").arg(i).arg(start + found[i] / 512));
            QComboBox* clusters = clusterSizes();
            clusters->clear();
            for (const char* c : {"8", "4", "2", "16", "32", "64", "128"}) clusters->addItem(QString::fromUtf8(c));
            if (list->count() > 0) list->setCurrentIndex(0);
            clusters->setCurrentIndex(0);
        });
        platform::prompter().message("Number of MFT-ENTRY found = " + std::to_string(n) +
                                     " . Please select the choice from combo box and click Next button to proceed.");
        sink.setStatus("Parsing done.Click next to continue.");
        worker_.onPage([this] {
            nextButton()->setEnabled(true);
            backButton()->setEnabled(true);
            progressBar()->hide();
            for (int id : {IdPause, IdResume}) controlById(id)->hide();
            stopButton()->hide();
            emit searchFinished();
        });
    });
}

void advanceOptions::onNext() {
    if (!parser_ || candidates()->currentIndex() < 0 || clusterSizes()->currentIndex() < 0) return;
    parser_->chosenCandidate = static_cast<size_t>(candidates()->currentIndex());
    parser_->chosenClusterSectors = static_cast<int>(leadingNumber(clusterSizes()->currentText().toStdString()));
    auto* browse = new VolumeScanDlg(record_, 2, this, parser_.get());
    browse_ = browse;
    showNextPage(browse);
    browse->startParse();
}

void advanceOptions::onBack() {
    // The parser is destroyed with this page: the search ends first, and the
    // browse page that borrows the parser goes before it.
    if (parser_) parser_->requestStop();
    worker_.stopAndWait();
    if (browse_) delete browse_.data();
    goBack();
}

void advanceOptions::beforeProcessEnds() {
    if (parser_) {
        parser_->requestStop();
        statusLine()->setText(QStringLiteral("All thread Stopped"));
    }
}

}  // namespace salvor::gui
