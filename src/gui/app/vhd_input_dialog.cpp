#include "app/vhd_input_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/drive_parsing_modes.h"
#include "app/shared_state.h"
#include "image/vdi_header.h"
#include "image/vdi_reader.h"
#include "platform/file.h"
#include "platform/prompter.h"

namespace salvor::gui {

namespace {
bool endsWithVdi(const QString& path) { return path.right(3).compare(QStringLiteral("vdi"), Qt::CaseInsensitive) == 0; }
}  // namespace

VhdInputDialog::VhdInputDialog()
    : WizardPage(QString::fromUtf8(kApplicationTitle), FrameIds{0, IdNext, 0, IdHelp, 0, 0}, nullptr) {
    auto* kindRow = new QHBoxLayout;
    dynamic_ = new QRadioButton(QStringLiteral("Dynamic Disk"), this);
    fixed_ = new QRadioButton(QStringLiteral("Fixed Disk"), this);
    // Each button is handled by its own click handler, as two independent
    // choices; no exclusive group decides for them.
    dynamic_->setAutoExclusive(false);
    fixed_->setAutoExclusive(false);
    setControlId(dynamic_, IdDynamic);
    setControlId(fixed_, IdFixed);
    kindRow->addWidget(dynamic_);
    kindRow->addSpacing(24);
    kindRow->addWidget(fixed_);
    kindRow->addStretch(1);
    body()->addLayout(kindRow);

    auto* pathGroup = new QGroupBox(QStringLiteral("File Path:"), this);
    auto* pathRow = new QHBoxLayout(pathGroup);
    path_ = new QLineEdit(pathGroup);
    setControlId(path_, IdPath);
    auto* browse = new QPushButton(QStringLiteral("..."), pathGroup);
    browse->setAutoDefault(false);
    setControlId(browse, IdBrowse);
    pathRow->addWidget(path_, 1);
    pathRow->addWidget(browse);
    body()->addWidget(pathGroup);

    auto* infoGroup = new QGroupBox(QStringLiteral("File Information:"), this);
    setControlId(infoGroup, IdInfoGroup);
    auto* groupLayout = new QVBoxLayout(infoGroup);
    infoBlock_ = new QWidget(infoGroup);
    infoBlock_->setObjectName(QStringLiteral("infoBlock"));
    auto* grid = new QGridLayout(infoBlock_);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(24);
    const struct { int labelId; int valueId; const char* text; } kRows[] = {
        {IdVersionLabel, IdVersionValue, "File Format Version:"},
        {IdSizeLabel, IdSizeValue, "Size of HDD:"},
        {IdSectorsLabel, IdSectorsValue, "Sector per track:"},
        {IdHeadsLabel, IdHeadsValue, "Head:"},
        {IdCylindersLabel, IdCylindersValue, "Cylinder:"},
    };
    int row = 0;
    for (const auto& r : kRows) {
        auto* label = new QLabel(QString::fromUtf8(r.text), infoBlock_);
        auto* value = new QLabel(infoBlock_);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        setControlId(label, r.labelId);
        setControlId(value, r.valueId);
        grid->addWidget(label, row, 0);
        grid->addWidget(value, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    groupLayout->addWidget(infoBlock_);
    groupLayout->addStretch(1);
    body()->addWidget(infoGroup, 1);

    connect(dynamic_, &QRadioButton::clicked, this, &VhdInputDialog::onDynamic);
    connect(fixed_, &QRadioButton::clicked, this, &VhdInputDialog::onFixed);
    connect(browse, &QPushButton::clicked, this, &VhdInputDialog::onBrowse);
    connect(nextButton(), &QPushButton::clicked, this, &VhdInputDialog::onNext);

    // Start: nothing chosen.
    browse->setEnabled(false);
    path_->setEnabled(false);
    setInfoBlockVisible(false);
    nextButton()->setEnabled(false);
    dynamic_->setChecked(true);
    onDynamic();
}

QString VhdInputDialog::pathText() const { return path_->text(); }

bool VhdInputDialog::infoBlockVisible() const { return !infoBlock_->isHidden(); }

void VhdInputDialog::setInfoBlockVisible(bool visible) { infoBlock_->setVisible(visible); }

void VhdInputDialog::onDynamic() {
    if (!dynamic_->isChecked()) return;
    path_->clear();
    fixed_->setChecked(false);
    control<QPushButton>(IdBrowse)->setEnabled(true);
}

void VhdInputDialog::onFixed() {
    if (!fixed_->isChecked()) return;
    path_->clear();
    dynamic_->setChecked(false);
    control<QPushButton>(IdBrowse)->setEnabled(true);
    path_->setEnabled(true);
    setInfoBlockVisible(false);
}

void VhdInputDialog::onBrowse() {
    auto chosen = platform::prompter().chooseOpenFile({"vdi", "*.vdi", "*.vdi||"});
    if (!chosen) return;
    const QString path = QString::fromStdString(*chosen);
    if (path.isEmpty()) return;
    // Only VDI images can be read: anything else is refused before it is taken.
    if (!endsWithVdi(path)) {
        platform::prompter().message("not a vdi file");
        return;
    }
    nextButton()->setEnabled(true);

    // Dynamic and fixed VDI images share the header and the block map, so both
    // choices are read the same way.
    imageKind_ = ImageVdi;
    sharedState().imageSourceTag = kImageChosenTag;
    chosenPath_ = path;
    sharedState().currentSource = std::make_unique<FileReadSeekVdi>();
    readHeaderInfo(path);
    sharedState().currentSource->open(path.toStdString());
    path_->setText(path);
    setInfoBlockVisible(true);
    sharedState().currentSource.reset();
}

bool VhdInputDialog::readHeaderInfo(const QString& path) {
    if (path.size() > 3 && !endsWithVdi(path)) {
        platform::prompter().message("not a vdi file");
        return false;
    }
    platform::ReadOnlyFile file;
    if (!file.open(path.toStdString())) return true;
    if (sharedState().currentSource) sharedState().currentSource->fileSize = file.size();
    uint8_t raw[kVdiHeaderBytes] = {};
    file.readAt(0, raw, sizeof raw);  // a short file shows what it holds, zeros after
    const VdiHeader h = VdiHeader::parse(raw);
    control<QLabel>(IdVersionValue)->setText(QString::number(h.formatVersion));
    control<QLabel>(IdSizeValue)->setText(QStringLiteral("%1 MB").arg(h.sizeInMegabytes()));
    control<QLabel>(IdSectorsValue)->setText(QString::number(h.sectorsPerTrack));
    control<QLabel>(IdHeadsValue)->setText(QString::number(h.heads));
    control<QLabel>(IdCylindersValue)->setText(QString::number(h.cylinders));
    return true;
}

void VhdInputDialog::onNext() {
    if (chosenPath_.isEmpty()) return;
    scanModePage_ = new DriveParsingModes(this);
    showNextPage(scanModePage_);
}

}  // namespace salvor::gui
