#pragma once
// The image page: the user picks a VDI image; the page shows its header values
// and Next leads to the scan-mode page.
#include <QPointer>
#include <QString>

#include "app/drive_parsing_modes.h"
#include "app/wizard_page.h"

class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace salvor::gui {


class VhdInputDialog : public WizardPage {
    Q_OBJECT
public:
    enum Id {
        IdDynamic = 1270,
        IdFixed = 1271,
        IdPath = 1276,
        IdBrowse = 1106,
        IdInfoGroup = 1111,
        IdVersionLabel = 1113,
        IdSizeLabel = 1112,
        IdSectorsLabel = 1114,
        IdHeadsLabel = 1116,
        IdCylindersLabel = 1117,
        IdVersionValue = 1118,
        IdSizeValue = 1119,
        IdSectorsValue = 1120,
        IdHeadsValue = 1121,
        IdCylindersValue = 1122,
        IdNext = 1053,
        IdHelp = 1326,
    };
    enum ImageKind { ImageNone = 0, ImageVhd = 1, ImageVdi = 2 };

    VhdInputDialog();

    QString chosenPath() const { return chosenPath_; }
    int imageKind() const { return imageKind_; }
    // The text of the path edit: what the scan-mode page takes.
    QString pathText() const;
    bool infoBlockVisible() const;

    // Reads the VDI header of `path` into the information block.
    bool readHeaderInfo(const QString& path);

    DriveParsingModes* scanModePage() const { return scanModePage_; }

private:
    void onDynamic();
    void onFixed();
    void onBrowse();
    void onNext();
    void setInfoBlockVisible(bool visible);

    QRadioButton* dynamic_ = nullptr;
    QRadioButton* fixed_ = nullptr;
    QLineEdit* path_ = nullptr;
    QWidget* infoBlock_ = nullptr;
    QString chosenPath_;
    int imageKind_ = ImageNone;
    QPointer<DriveParsingModes> scanModePage_;
};

}  // namespace salvor::gui
