#include "browse/parce_mode_ntfs_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/drive_parsing_modes.h"
#include "app/placeholder_page.h"
#include "app/shared_state.h"
#include "browse/advance_options.h"
#include "browse/parser_factory.h"
#include "browse/volume_scan_dlg.h"

namespace salvor::gui {

ParceModeNtfsDlg::ParceModeNtfsDlg(const VolumeRecord& record, WizardPage* owner)
    : WizardPage(QStringLiteral("Dialog"), FrameIds{IdBack, IdNext, 0, IdHelp, 0, 0}, owner), record_(record) {
    auto* group = new QGroupBox(QStringLiteral("Select Recovery Mode:"), this);
    setControlId(group, IdModeGroup);
    auto* grid = new QGridLayout(group);
    standard_ = new QRadioButton(QStringLiteral("Standard"), group);
    advanced_ = new QRadioButton(QStringLiteral("Advanced"), group);
    deep_ = new QRadioButton(QStringLiteral("Deep"), group);
    for (auto* b : {standard_, advanced_, deep_}) b->setAutoExclusive(false);
    setControlId(standard_, IdStandard);
    setControlId(advanced_, IdAdvanced);
    setControlId(deep_, IdDeep);
    auto* maxLabel = new QLabel(QStringLiteral("Please Enter Max File Systems to Find :"), group);
    maxEdit_ = makeNumberEdit(group);
    maxEdit_->setMaximumWidth(80);
    auto* maxNote = new QLabel(QStringLiteral("( By  Default  it's  = 3 )"), group);
    formatted_ = new QCheckBox(QStringLiteral("Is Drive Formated..?"), group);
    setControlId(maxLabel, IdMaxLabel);
    setControlId(maxEdit_, IdMaxEdit);
    setControlId(maxNote, IdMaxNote);
    setControlId(formatted_, IdFormatted);
    grid->addWidget(standard_, 0, 0);
    grid->addWidget(advanced_, 1, 0);
    grid->addWidget(deep_, 2, 0);
    grid->addWidget(maxLabel, 1, 1);
    grid->addWidget(maxEdit_, 1, 2);
    grid->addWidget(maxNote, 1, 3);
    grid->addWidget(formatted_, 2, 1);
    grid->setColumnStretch(4, 1);
    body()->addWidget(group);
    auto* volumeLine = new QLabel(QStringLiteral("Volume %1: %2, %3, start sector %4")
                                      .arg(QString::fromStdString(record.name), QString::fromStdString(record.fileSystem),
                                           QString::fromStdString(record.sizeText))
                                      .arg(record.startSector),
                                  this);
    body()->addWidget(volumeLine);
    body()->addStretch(1);
    auto* exitButton = new QPushButton(QStringLiteral("EXIT"), this);
    exitButton->hide();
    setControlId(exitButton, IdExit);

    connect(standard_, &QRadioButton::clicked, this, &ParceModeNtfsDlg::onStandard);
    connect(advanced_, &QRadioButton::clicked, this, &ParceModeNtfsDlg::onAdvanced);
    connect(deep_, &QRadioButton::clicked, this, &ParceModeNtfsDlg::onDeep);
    connect(formatted_, &QCheckBox::clicked, this, [this](bool on) { sharedState().driveFormatted = on; });
    connect(nextButton(), &QPushButton::clicked, this, &ParceModeNtfsDlg::onNext);
    connect(backButton(), &QPushButton::clicked, this, &WizardPage::goBack);

    maxEdit_->setText(QStringLiteral("3"));
    showAdvancedInputs(false);
    formatted_->hide();
    prefix_ = fileSystemPrefix(record_.fileSystem);
    const ModeOffer offer = modesFor(record_.fileSystem);
    advanced_->setVisible(offer.advanced);
    deep_->setVisible(offer.deep);
    onStandard();
}

int ParceModeNtfsDlg::maxCandidates() const {
    const int64_t n = leadingNumber(maxEdit_->text().toStdString());
    return n < 1 ? 3 : static_cast<int>(std::min<int64_t>(n, 1000000));
}

void ParceModeNtfsDlg::showAdvancedInputs(bool show) {
    for (int id : {IdMaxLabel, IdMaxEdit, IdMaxNote}) controlById(id)->setVisible(show);
}

void ParceModeNtfsDlg::onStandard() { selectMode(1); }
void ParceModeNtfsDlg::onAdvanced() { selectMode(2); }
void ParceModeNtfsDlg::onDeep() { selectMode(3); }

void ParceModeNtfsDlg::selectMode(int mode) {
    // Every mode click clears "Is Drive Formated..?".
    sharedState().driveFormatted = false;
    formatted_->setChecked(false);
    showAdvancedInputs(mode == 2);
    formatted_->setVisible(mode == 2 && equalsNoCase(prefix_, "fat"));
    standard_->setChecked(mode == 1);
    advanced_->setChecked(mode == 2);
    deep_->setChecked(mode == 3);
    mode_ = mode;
}

void ParceModeNtfsDlg::onNext() {
    WizardPage* next = nullptr;
    if (mode_ == 2) {
        auto* advanced = new advanceOptions(record_, maxCandidates(), this);
        nextPage_ = advanced;
        showNextPage(advanced);
        advanced->startSearch();
        return;
    } else if (mode_ == 1 || mode_ == 3) {
        auto* browse = new VolumeScanDlg(record_, mode_, this);
        next = browse;
        showNextPage(browse);
        nextPage_ = browse;
        browse->startParse();
        return;
    }
    if (!next) return;
    nextPage_ = next;
    showNextPage(next);
}

}  // namespace salvor::gui
