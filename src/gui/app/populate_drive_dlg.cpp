#include "app/populate_drive_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/drive_parsing_modes.h"
#include "app/placeholder_page.h"
#include "app/shared_state.h"
#include "browse/parce_mode_ntfs_dlg.h"
#include "app/vhd_input_dialog.h"
#include "discovery/volume_scan.h"
#include "image/vdi_reader.h"
#include "platform/prompter.h"

namespace salvor::gui {

namespace {

constexpr int kRecordRole = Qt::UserRole + 1;

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The up-down control beside a number edit: up adds one, down takes one away
// while the number is above zero.
QWidget* makeUpDown(QWidget* parent, const std::function<void(int)>& step) {
    auto* box = new QWidget(parent);
    auto* v = new QHBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    auto* up = new QToolButton(box);
    auto* down = new QToolButton(box);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    up->setObjectName(QStringLiteral("up"));
    down->setObjectName(QStringLiteral("down"));
    for (auto* b : {up, down}) {
        b->setAutoRepeat(true);
        v->addWidget(b);
    }
    QObject::connect(up, &QToolButton::clicked, box, [step] { step(+1); });
    QObject::connect(down, &QToolButton::clicked, box, [step] { step(-1); });
    return box;
}

}  // namespace

PopulateDriveDlg::PopulateDriveDlg(const ScanSettings& settings, DriveParsingModes* owner)
    : WizardPage(QStringLiteral("Dialog"), FrameIds{IdBack, IdNext, IdStop, 1326, IdStatus, IdProgress}, owner),
      settings_(settings),
      imagePage_(owner ? owner->imagePage() : nullptr),
      worker_(this, progressBar(), statusLine()) {
    auto* listGroup = new QGroupBox(QStringLiteral("Volume List:"), this);
    auto* listLayout = new QVBoxLayout(listGroup);
    list_ = new QTableWidget(0, 4, listGroup);
    setControlId(list_, IdList);
    list_->setHorizontalHeaderLabels({QStringLiteral("Volume"), QStringLiteral("File System"),
                                      QStringLiteral("Volume Size"), QStringLiteral("Start Sector")});
    for (int c = 0; c < 4; ++c) {
        list_->setColumnWidth(c, 80);
        list_->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    listLayout->addWidget(list_);
    auto* listButtons = new QHBoxLayout;
    auto* filter = new QPushButton(QStringLiteral("Filter Entries"), listGroup);
    filter->setToolTip(QString::fromUtf8(kFilterRule));
    setControlId(filter, IdFilter);
    auto* addCustom = new QPushButton(QStringLiteral("Add Custom Volume"), listGroup);
    addCustom->setToolTip(QStringLiteral("Add Custom Volume entry."));
    setControlId(addCustom, IdAddCustom);
    for (auto* b : {filter, addCustom}) b->setAutoDefault(false);
    listButtons->addWidget(filter);
    listButtons->addWidget(addCustom);
    listButtons->addStretch(1);
    listLayout->addLayout(listButtons);

    customCheck_ = new QCheckBox(QStringLiteral("Custom Settings For Selected Volume "), this);
    setControlId(customCheck_, IdCustomCheck);
    auto* group = new QGroupBox(this);
    setControlId(group, IdCustomGroup);
    auto* grid = new QGridLayout(group);
    auto* selLabel = new QLabel(QStringLiteral("Selected Volume :"), group);
    auto* selValue = new QLabel(group);
    auto* startLabel = new QLabel(QStringLiteral("Start Sector:"), group);
    auto* endLabel = new QLabel(QStringLiteral("End Sector :"), group);
    auto* treatLabel = new QLabel(QStringLiteral("Treat file system as:"), group);
    startEdit_ = makeNumberEdit(group);
    endEdit_ = makeNumberEdit(group);
    QWidget* startSpin = makeUpDown(group, [this](int d) { step(startEdit_, d); });
    QWidget* endSpin = makeUpDown(group, [this](int d) { step(endEdit_, d); });
    treatAs_ = new QComboBox(group);
    for (const std::string& item : fileSystemChoices()) treatAs_->addItem(qs(item));
    treatAs_->setCurrentIndex(-1);
    setControlId(selLabel, IdSelectedLabel);
    setControlId(selValue, IdSelectedValue);
    setControlId(startLabel, IdStartLabel);
    setControlId(startEdit_, IdStartEdit);
    setControlId(startSpin, IdStartSpin);
    setControlId(endLabel, IdEndLabel);
    setControlId(endEdit_, IdEndEdit);
    setControlId(endSpin, IdEndSpin);
    setControlId(treatLabel, IdTreatLabel);
    setControlId(treatAs_, IdTreatList);
    grid->addWidget(customCheck_, 0, 0, 1, 3);
    grid->addWidget(selLabel, 1, 0);
    grid->addWidget(selValue, 1, 1, 1, 2);
    grid->addWidget(startLabel, 2, 0);
    grid->addWidget(startEdit_, 2, 1);
    grid->addWidget(startSpin, 2, 2);
    grid->addWidget(endLabel, 3, 0);
    grid->addWidget(endEdit_, 3, 1);
    grid->addWidget(endSpin, 3, 2);
    grid->addWidget(treatLabel, 4, 0);
    grid->addWidget(treatAs_, 4, 1, 1, 2);
    grid->setRowStretch(5, 1);

    auto* row = new QHBoxLayout;
    row->addWidget(listGroup, 3);
    row->addWidget(group, 2);
    body()->addLayout(row, 1);

    connect(list_, &QTableWidget::itemSelectionChanged, this, &PopulateDriveDlg::onSelectionChanged);
    connect(list_, &QTableWidget::cellClicked, this, [this](int r, int) { onRowClicked(r); });
    connect(customCheck_, &QCheckBox::clicked, this, &PopulateDriveDlg::onCustomToggled);
    connect(addCustom, &QPushButton::clicked, this, &PopulateDriveDlg::onAddCustom);
    connect(filter, &QPushButton::clicked, this, &PopulateDriveDlg::onFilter);
    connect(stopButton(), &QPushButton::clicked, this, &PopulateDriveDlg::onStop);
    connect(nextButton(), &QPushButton::clicked, this, &PopulateDriveDlg::onNext);
    connect(backButton(), &QPushButton::clicked, this, &PopulateDriveDlg::onBack);

    // Initialisation: nothing can be customised until volumes are listed.
    customCheck_->setEnabled(false);
    addCustom->setEnabled(false);
    setGroupEnabled(false);
}

PopulateDriveDlg::~PopulateDriveDlg() { worker_.stopAndWait(); }

void PopulateDriveDlg::startScan() {
    if (settings_.mode == 1) {
        progressBar()->setRange(0, 1000);
        standardScan();
        progressBar()->setValue(1000);
    } else {
        advancedScan();
    }
}

bool PopulateDriveDlg::recreateSource() {
    SharedState& st = sharedState();
    if (st.imageSourceTag == kImageChosenTag) {
        st.currentSource.reset();
        if (imagePage_ && imagePage_->imageKind() == VhdInputDialog::ImageVdi)
            st.currentSource = std::make_unique<FileReadSeekVdi>();
    }
    return st.currentSource != nullptr;
}

void PopulateDriveDlg::standardScan() {
    controlById(IdAddCustom)->hide();
    scanner_ = std::make_unique<Partition>();
    configureScan(*scanner_, 1, settings_.useGpt, settings_.doNotSkip, settings_.customStart, settings_.customEnd);
    if (!recreateSource()) {
        platform::prompter().message("Information lost ..go back and parse again");
        return;
    }
    SharedState& st = sharedState();
    if (st.currentSource->open(settings_.imagePath.toStdString())) {
        st.diskSectorCount = st.currentSource->diskSize() / 512;
        scanner_->sink = &worker_.sink();
        list_->setRowCount(0);
        records_.clear();
        scanner_->scanPartitionTables(*st.currentSource, st.diskSectorCount);
        records_ = scanner_->records;
        for (size_t i = 0; i < records_.size(); ++i) {
            records_[i].name = std::to_string(i);
            addRow(static_cast<int>(i), false);
        }
        if (!records_.empty()) customCheck_->setEnabled(true);
    } else {
        platform::prompter().message("file not opened..");
    }
    controlById(IdFilter)->setEnabled(true);
    statusLine()->setText(QStringLiteral("Finished Scanning."));
    progressBar()->hide();
    stopButton()->hide();
    statusLine()->setText(QStringLiteral("Select volume and click next button..."));
}

void PopulateDriveDlg::advancedScan() {
    controlById(IdAddCustom)->setEnabled(false);
    nextButton()->setEnabled(false);
    scanner_ = std::make_unique<Partition>();
    configureScan(*scanner_, 2, settings_.useGpt, settings_.doNotSkip, settings_.customStart, settings_.customEnd);
    SharedState& st = sharedState();
    if (!recreateSource() || !st.currentSource->open(settings_.imagePath.toStdString())) {
        nextButton()->setEnabled(true);
        platform::prompter().message("file not opened..");
        return;
    }
    st.diskSectorCount = st.currentSource->diskSize() / 512;
    list_->setRowCount(0);
    records_.clear();
    progressBar()->show();
    stopButton()->show();
    Partition* scan = scanner_.get();
    scan->sink = &worker_.sink();
    scan->onFound = [this](const VolumeRecord& r) {
        worker_.onPage([this, r] {
            records_.push_back(r);
            addRow(static_cast<int>(records_.size() - 1), false);
            emit volumeListed(list_->rowCount() - 1);
        });
    };
    readWriteInterface* source = st.currentSource.get();
    const int64_t diskSectors = st.diskSectorCount;
    worker_.start([this, scan, source, diskSectors](platform::WorkerControl& control, platform::ProgressSink& sink) {
        worker_.onPage([this] {
            backButton()->setEnabled(false);
            controlById(IdFilter)->setEnabled(false);
        });
        {
            std::lock_guard lock(source->guard());
            scan->scanSectors(*source, diskSectors, &control);
        }
        worker_.onPage([this] {
            backButton()->setEnabled(true);
            controlById(IdFilter)->setEnabled(true);
        });
        sink.setStatus("Scanned Partitions");
        platform::prompter().message("populated partitions....");
        sink.setStatus("Finished Scanning.");
        worker_.onPage([this] {
            if (!records_.empty()) customCheck_->setEnabled(true);
            controlById(IdAddCustom)->setEnabled(true);
            nextButton()->setEnabled(true);
            progressBar()->hide();
            stopButton()->hide();
            statusLine()->setText(QStringLiteral("Select volume and click next button..."));
            emit scanFinished();
        });
    });
}

void PopulateDriveDlg::addRow(int recordIndex, bool atTop) {
    const VolumeRecord& r = records_[static_cast<size_t>(recordIndex)];
    const int row = atTop ? 0 : list_->rowCount();
    list_->insertRow(row);
    const QString cols[4] = {qs(r.name), qs(r.fileSystem), qs(r.sizeText), QString::number(r.startSector)};
    for (int c = 0; c < 4; ++c) {
        auto* item = new QTableWidgetItem(cols[c]);
        if (c == 0) item->setData(kRecordRole, recordIndex);
        list_->setItem(row, c, item);
    }
}

int PopulateDriveDlg::selectedRow() const {
    const auto rows = list_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void PopulateDriveDlg::onSelectionChanged() {
    const int row = selectedRow();
    if (row < 0) return;
    control<QLabel>(IdSelectedValue)->setText(list_->item(row, 0)->text());
    startEdit_->setText(list_->item(row, 3)->text());
    endEdit_->setText(QString::number(
        defaultEndSector(list_->item(row, 2)->text().toStdString(), list_->item(row, 3)->text().toStdString())));
}

void PopulateDriveDlg::onRowClicked(int row) {
    if (row < 0 || row >= list_->rowCount()) return;
    const QString fs = list_->item(row, 1)->text();
    for (int i = 0; i < treatAs_->count(); ++i) {
        if (!fs.isEmpty() && treatAs_->itemText(i).startsWith(fs, Qt::CaseInsensitive)) {
            treatAs_->setCurrentIndex(i);
            return;
        }
    }
}

void PopulateDriveDlg::setGroupEnabled(bool on) {
    for (int id : {IdSelectedLabel, IdSelectedValue, IdStartLabel, IdStartEdit, IdStartSpin, IdEndLabel, IdEndEdit,
                   IdEndSpin, IdTreatLabel, IdTreatList})
        controlById(id)->setEnabled(on);
}

void PopulateDriveDlg::onCustomToggled() { setGroupEnabled(customCheck_->isChecked()); }

void PopulateDriveDlg::step(QLineEdit* edit, int delta) {
    int64_t v = leadingNumber(edit->text().toStdString());
    if (delta > 0 && v < INT64_MAX) ++v;
    else if (delta < 0 && v > 0) --v;
    edit->setText(QString::number(v));
}

void PopulateDriveDlg::onAddCustom() {
    VolumeRecord r;
    r.name = std::to_string(records_.size());
    r.fileSystem = "CUSTOM";
    r.sizeText = "0";
    records_.push_back(r);
    customCheck_->setEnabled(true);
    customCheck_->setChecked(true);
    setGroupEnabled(true);
    const bool atTop = settings_.mode == 2;
    addRow(static_cast<int>(records_.size() - 1), atTop);
    const int row = atTop ? 0 : list_->rowCount() - 1;
    list_->setRowHidden(row, false);
    list_->selectRow(row);
    startEdit_->setText(QStringLiteral("0"));
    endEdit_->setText(QStringLiteral("0"));
}

void PopulateDriveDlg::onFilter() {
    filtered_ = !filtered_;
    std::vector<VolumeRecord> rows;
    for (int r = 0; r < list_->rowCount(); ++r)
        rows.push_back(records_[static_cast<size_t>(list_->item(r, 0)->data(kRecordRole).toInt())]);
    std::vector<bool> keep(rows.size(), !filtered_);
    if (filtered_)
        for (size_t k : filteredRows(rows)) keep[k] = true;
    for (int r = 0; r < list_->rowCount(); ++r) list_->setRowHidden(r, !keep[static_cast<size_t>(r)]);
}

void PopulateDriveDlg::onStop() {
    worker_.stop();
    backButton()->setEnabled(true);
}

void PopulateDriveDlg::onNext() {
    const int row = selectedRow();
    if (row < 0 || list_->isRowHidden(row)) {
        platform::prompter().message("please select a valid volume.");
        return;
    }
    VolumeRecord& record = records_[static_cast<size_t>(list_->item(row, 0)->data(kRecordRole).toInt())];
    chosen_ = &record;
    const bool custom = customCheck_->isChecked();
    if (!custom && overrideApplied_) {
        const VolumeRecord fromRow = recordFromRow(list_->item(row, 0)->text().toStdString(),
                                                   list_->item(row, 1)->text().toStdString(),
                                                   list_->item(row, 2)->text().toStdString(),
                                                   list_->item(row, 3)->text().toStdString());
        record = fromRow;
    }
    const std::string treatAs = treatAs_->currentIndex() >= 0 ? treatAs_->currentText().toStdString() : std::string();
    if (custom) {
        overrideApplied_ = true;
        applyCustomSettings(record, startEdit_->text().toStdString(), endEdit_->text().toStdString(), treatAs);
    }
    WizardPage* next = nullptr;
    if (custom && equalsNoCase(treatAs, "RAW")) {
        overrideApplied_ = true;
        record.fileSystem = "RAW";
        next = makeRawRecoveryPage(this);
    } else if (!equalsNoCase(record.fileSystem, "unknown")) {
        next = new ParceModeNtfsDlg(record, this);
    } else {
        platform::prompter().message("can not parse unknown volume");
    }
    if (next) {
        nextPage_ = next;
        showNextPage(next);
    }
    scanner_.reset();
}

void PopulateDriveDlg::onBack() {
    // The scan's worker uses the scanner and the sector source: it ends first.
    worker_.stopAndWait();
    goBack();
}

void PopulateDriveDlg::beforeProcessEnds() { worker_.stop(); }

}  // namespace salvor::gui
