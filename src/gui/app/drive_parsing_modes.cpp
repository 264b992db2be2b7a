#include "app/drive_parsing_modes.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "app/populate_drive_dlg.h"
#include "app/shared_state.h"
#include "app/vhd_input_dialog.h"
#include "discovery/volume_record.h"
#include "image/read_write_interface.h"
#include "platform/prompter.h"

namespace salvor::gui {

QLineEdit* makeNumberEdit(QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
    return e;
}

DriveParsingModes::DriveParsingModes(VhdInputDialog* owner)
    : WizardPage(QStringLiteral(" Drive Parsing Modes"),
                 FrameIds{IdBack, IdNext, IdStop, IdHelp, IdStatus, IdProgress}, owner),
      imagePage_(owner) {
    auto* currentRow = new QHBoxLayout;
    auto* currentLabel = new QLabel(QStringLiteral("Currently Selected Drive :"), this);
    auto* currentPath = new QLabel(this);
    currentPath->setWordWrap(true);
    setControlId(currentLabel, IdCurrentLabel);
    setControlId(currentPath, IdCurrentPath);
    currentRow->addWidget(currentLabel);
    currentRow->addWidget(currentPath, 1);
    body()->addLayout(currentRow);

    auto* modes = new QGroupBox(QStringLiteral("Scan Mode"), this);
    auto* grid = new QGridLayout(modes);
    standard_ = new QRadioButton(QStringLiteral("Standard Scan"), modes);
    advanced_ = new QRadioButton(QStringLiteral("Advance Scan"), modes);
    standard_->setAutoExclusive(false);
    advanced_->setAutoExclusive(false);
    setControlId(standard_, IdStandard);
    setControlId(advanced_, IdAdvanced);
    gpt_ = new QCheckBox(QStringLiteral("GPT format"), modes);
    setControlId(gpt_, IdGpt);
    auto* gptNote = new QLabel(QStringLiteral("* Check If Partition type is GPT"), modes);
    doNotSkip_ = new QCheckBox(QStringLiteral("Do not Skip Volume Size While Parsing in Advance  Scan "), modes);
    setControlId(doNotSkip_, IdDoNotSkip);
    custom_ = new QCheckBox(QStringLiteral("Custom Setting:"), modes);
    setControlId(custom_, IdCustom);
    auto* startLabel = new QLabel(QStringLiteral("Starting Sector:"), modes);
    auto* endLabel = new QLabel(QStringLiteral("Ending Sector:"), modes);
    setControlId(startLabel, IdStartLabel);
    setControlId(endLabel, IdEndLabel);
    startEdit_ = makeNumberEdit(modes);
    endEdit_ = makeNumberEdit(modes);
    setControlId(startEdit_, IdStartEdit);
    setControlId(endEdit_, IdEndEdit);
    grid->addWidget(standard_, 0, 0);
    grid->addWidget(gpt_, 0, 1);
    grid->addWidget(gptNote, 0, 2, 1, 2);
    grid->addWidget(advanced_, 1, 0);
    grid->addWidget(doNotSkip_, 1, 1, 1, 3);
    grid->addWidget(custom_, 2, 1);
    grid->addWidget(startLabel, 3, 1);
    grid->addWidget(startEdit_, 3, 2);
    grid->addWidget(endLabel, 4, 1);
    grid->addWidget(endEdit_, 4, 2);
    grid->setColumnStretch(3, 1);
    body()->addWidget(modes);

    auto* exportBox = new QGroupBox(QStringLiteral("Disk Image"), this);
    auto* exportRow = new QHBoxLayout(exportBox);
    auto* saveDisk = new QCheckBox(QStringLiteral("Save Disk Image"), exportBox);
    setControlId(saveDisk, IdSaveDiskImage);
    auto* exportPath = new QLineEdit(exportBox);
    exportPath->setReadOnly(true);
    setControlId(exportPath, IdExportPath);
    auto* saveImage = new QPushButton(QStringLiteral("Save Image"), exportBox);
    saveImage->setAutoDefault(false);
    setControlId(saveImage, IdSaveImage);
    exportRow->addWidget(saveDisk);
    exportRow->addWidget(exportPath, 1);
    exportRow->addWidget(saveImage);
    body()->addWidget(exportBox);
    body()->addStretch(1);

    // The two Next actions of the template; never shown.
    for (int id : {IdStandardAction, IdAdvancedAction}) {
        auto* hidden = new QPushButton(this);
        hidden->hide();
        setControlId(hidden, id);
    }

    connect(standard_, &QRadioButton::clicked, this, &DriveParsingModes::onStandard);
    connect(advanced_, &QRadioButton::clicked, this, &DriveParsingModes::onAdvanced);
    connect(custom_, &QCheckBox::clicked, this, &DriveParsingModes::onCustom);
    connect(nextButton(), &QPushButton::clicked, this, &DriveParsingModes::onNext);
    connect(backButton(), &QPushButton::clicked, this, &WizardPage::goBack);

    // Opening.
    progressBar()->hide();
    stopButton()->hide();
    saveDisk->setChecked(false);
    // The disk image export is not offered yet.
    saveDisk->setEnabled(false);
    saveImage->setEnabled(false);
    startEdit_->setText(QStringLiteral("0"));
    endEdit_->setText(QStringLiteral("0"));
    for (QWidget* w : {static_cast<QWidget*>(startEdit_), static_cast<QWidget*>(endEdit_),
                       static_cast<QWidget*>(startLabel), static_cast<QWidget*>(endLabel)})
        w->setEnabled(false);
    imagePath_ = owner->pathText();
    if (sharedState().currentSource) sharedState().currentSource->open(imagePath_.toStdString());
    currentPath->setText(imagePath_);
    statusLine()->setText(QStringLiteral("Choose any one of the mode and Click Next...."));
    standard_->setChecked(true);
    onStandard();
}

void DriveParsingModes::onStandard() {
    standard_->setChecked(true);
    advanced_->setChecked(false);
    doNotSkip_->setEnabled(false);
    custom_->setEnabled(false);
    if (custom_->isChecked()) {
        custom_->setChecked(false);
        onCustom();
    }
}

void DriveParsingModes::onAdvanced() {
    standard_->setChecked(false);
    advanced_->setChecked(true);
    doNotSkip_->setEnabled(true);
    custom_->setEnabled(true);
}

void DriveParsingModes::onCustom() {
    const bool on = custom_->isChecked();
    for (int id : {IdStartLabel, IdEndLabel, IdStartEdit, IdEndEdit}) controlById(id)->setEnabled(on);
}

void DriveParsingModes::onNext() { openVolumeList(standard_->isChecked() ? 1 : 2); }

void DriveParsingModes::openVolumeList(int mode) {
    ScanSettings s;
    s.imagePath = imagePath_;
    s.mode = mode;
    s.doNotSkip = doNotSkip_->isChecked();
    s.useGpt = gpt_->isChecked();
    if (custom_->isChecked()) {
        const int64_t end = leadingNumber(endEdit_->text().toStdString());
        if (end >= 0) {
            s.customStart = leadingNumber(startEdit_->text().toStdString());
            s.customEnd = end;
        }
    }
    auto* page = new PopulateDriveDlg(s, this);
    volumeListPage_ = page;
    showNextPage(page);
    page->startScan();
}

}  // namespace salvor::gui
