#pragma once
// The recovery-mode page: Standard, Advanced or Deep, as the volume's file
// system allows, with the maximum number of candidates for Advanced and
// "Is Drive Formated..?" for FAT volumes.
#include <QPointer>

#include "app/wizard_page.h"
#include "discovery/volume_record.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace salvor::gui {

class ParceModeNtfsDlg : public WizardPage {
    Q_OBJECT
public:
    enum Id {
        IdStandard = 1047,
        IdAdvanced = 1048,
        IdDeep = 1049,
        IdModeGroup = 1050,
        IdMaxLabel = 1128,
        IdMaxEdit = 1129,
        IdMaxNote = 1130,
        IdFormatted = 1255,
        IdBack = 1051,
        IdNext = 1053,
        IdHelp = 1326,
        IdExit = 1,
    };

    ParceModeNtfsDlg(const VolumeRecord& record, WizardPage* owner);

    const VolumeRecord& record() const { return record_; }
    int mode() const { return mode_; }
    // The maximum number of candidates the Advanced search looks for.
    int maxCandidates() const;
    WizardPage* nextPage() const { return nextPage_; }

private:
    void onStandard();
    void onAdvanced();
    void onDeep();
    void selectMode(int mode);
    void onNext();
    void showAdvancedInputs(bool show);

    VolumeRecord record_;
    std::string prefix_;
    int mode_ = 1;
    QRadioButton* standard_ = nullptr;
    QRadioButton* advanced_ = nullptr;
    QRadioButton* deep_ = nullptr;
    QCheckBox* formatted_ = nullptr;
    QLineEdit* maxEdit_ = nullptr;
    QPointer<WizardPage> nextPage_;
};

}  // namespace salvor::gui
