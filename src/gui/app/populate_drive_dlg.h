#pragma once
// The volume list page: scans the image for volumes (partition tables on the
// GUI thread, or every sector on a worker), lists them, lets the user add a
// custom volume or override the selected one, and hands the chosen record on.
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "app/wizard_page.h"
#include "discovery/partition.h"
#include "discovery/volume_record.h"
#include "platform/page_worker.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace salvor::gui {

class DriveParsingModes;
class VhdInputDialog;

struct ScanSettings {
    QString imagePath;
    int mode = 1;  // 1 standard, 2 advanced
    bool useGpt = false;
    bool doNotSkip = false;
    int64_t customStart = 0;  // 0 = not given
    int64_t customEnd = 0;
};

class PopulateDriveDlg : public WizardPage {
    Q_OBJECT
public:
    enum Id {
        IdList = 1031,
        IdFilter = 1229,
        IdAddCustom = 1160,
        IdCustomCheck = 1131,
        IdCustomGroup = 1133,
        IdSelectedLabel = 1142,
        IdSelectedValue = 1143,
        IdStartLabel = 1147,
        IdStartEdit = 1146,
        IdStartSpin = 1145,
        IdEndLabel = 1148,
        IdEndEdit = 1149,
        IdEndSpin = 1151,
        IdTreatLabel = 1134,
        IdTreatList = 1152,
        IdProgress = 1254,
        IdStatus = 1316,
        IdStop = 1034,
        IdBack = 1036,
        IdNext = 1046,
    };

    PopulateDriveDlg(const ScanSettings& settings, DriveParsingModes* owner);
    ~PopulateDriveDlg() override;

    // Runs the scan the settings ask for (called once the page is shown).
    void startScan();

    const ScanSettings& settings() const { return settings_; }
    const std::vector<VolumeRecord>& records() const { return records_; }
    // The record Next chose; null before.
    VolumeRecord* chosenRecord() const { return chosen_; }
    WizardPage* nextPage() const { return nextPage_; }
    PageWorker& worker() { return worker_; }
    bool filtered() const { return filtered_; }

signals:
    // A row was added to the list while the advanced scan runs.
    void volumeListed(int row);
    // The advanced scan has ended and the page is ready for input.
    void scanFinished();

private:
    void standardScan();
    void advancedScan();
    bool recreateSource();
    void addRow(int recordIndex, bool atTop);
    void onSelectionChanged();
    void onRowClicked(int row);
    void onCustomToggled();
    void onAddCustom();
    void onFilter();
    void onStop();
    void onNext();
    void onBack();
    void setGroupEnabled(bool on);
    void step(QLineEdit* edit, int delta);
    int selectedRow() const;
    void beforeProcessEnds() override;

    ScanSettings settings_;
    VhdInputDialog* imagePage_ = nullptr;
    std::vector<VolumeRecord> records_;
    VolumeRecord* chosen_ = nullptr;
    std::unique_ptr<Partition> scanner_;
    bool overrideApplied_ = false;
    bool filtered_ = false;
    QTableWidget* list_ = nullptr;
    QCheckBox* customCheck_ = nullptr;
    QLineEdit* startEdit_ = nullptr;
    QLineEdit* endEdit_ = nullptr;
    QComboBox* treatAs_ = nullptr;
    QPointer<WizardPage> nextPage_;
    PageWorker worker_;
};

}  // namespace salvor::gui
