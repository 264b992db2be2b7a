#pragma once
// The scan-mode page: standard scan (partition tables) or advanced scan (every
// sector), with the GPT, do-not-skip and sector-range options, handed on to
// the volume list page.
#include <QPointer>
#include <QString>

#include "app/populate_drive_dlg.h"
#include "app/wizard_page.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace salvor::gui {

class VhdInputDialog;

class DriveParsingModes : public WizardPage {
    Q_OBJECT
public:
    enum Id {
        IdCurrentLabel = 1028,
        IdCurrentPath = 1263,
        IdStandard = 1322,
        IdAdvanced = 1323,
        IdGpt = 1253,
        IdDoNotSkip = 1144,
        IdCustom = 1153,
        IdStartLabel = 1155,
        IdEndLabel = 1156,
        IdStartEdit = 1157,
        IdEndEdit = 1158,
        IdSaveDiskImage = 1255,
        IdExportPath = 1328,
        IdSaveImage = 1329,
        IdProgress = 1027,
        IdStop = 1327,
        IdStatus = 1074,
        IdNext = 1229,
        IdBack = 1051,
        IdHelp = 1326,
        IdStandardAction = 1025,
        IdAdvancedAction = 1026,
    };

    explicit DriveParsingModes(VhdInputDialog* owner);

    // The image page's path text, taken when the page opened.
    QString imagePath() const { return imagePath_; }
    VhdInputDialog* imagePage() const { return imagePage_; }
    PopulateDriveDlg* volumeListPage() const { return volumeListPage_; }

private:
    void onStandard();
    void onAdvanced();
    void onCustom();
    void onNext();
    void openVolumeList(int mode);

    VhdInputDialog* imagePage_;
    QString imagePath_;
    QRadioButton* standard_ = nullptr;
    QRadioButton* advanced_ = nullptr;
    QCheckBox* gpt_ = nullptr;
    QCheckBox* doNotSkip_ = nullptr;
    QCheckBox* custom_ = nullptr;
    QLineEdit* startEdit_ = nullptr;
    QLineEdit* endEdit_ = nullptr;
    QPointer<PopulateDriveDlg> volumeListPage_;
};

// Digits-only edit, as the templates' number edits.
QLineEdit* makeNumberEdit(QWidget* parent);

}  // namespace salvor::gui
