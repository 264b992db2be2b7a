#pragma once
// The advanced-input page: searches the volume for earlier copies of its file
// system's structures on a worker and offers them, with a cluster size, for
// the browse page to parse.
#include <QPointer>
#include <memory>

#include "app/wizard_page.h"
#include "discovery/volume_record.h"
#include "fs/ntfs/ntfs.h"
#include "platform/page_worker.h"

class QComboBox;
class QLabel;

namespace salvor::gui {

class ParceModeNtfsDlg;
class VolumeScanDlg;

class advanceOptions : public WizardPage {
    Q_OBJECT
public:
    enum Id {
        IdGroup = 1070,
        IdCandidateLabel = 1062,
        IdCandidates = 1063,
        IdClusterLabel = 1068,
        IdClusters = 1069,
        IdHeapLabel = 1076,
        IdHeap = 1077,
        IdProgress = 1055,
        IdPause = 1060,
        IdResume = 1061,
        IdStop = 1059,
        IdStatus = 1033,
        IdBack = 1051,
        IdNext = 1067,
        IdHelp = 1326,
        IdExit = 1,
    };

    advanceOptions(const VolumeRecord& record, int maxCandidates, ParceModeNtfsDlg* owner);
    ~advanceOptions() override;

    // Starts the candidate search (called once the page is shown).
    void startSearch();

    PageWorker& worker() { return worker_; }
    VolumeParser* parser() const { return parser_.get(); }
    QComboBox* candidates() const;
    QComboBox* clusterSizes() const;
    VolumeScanDlg* browsePage() const;

signals:
    void searchFinished();

private:
    void onNext();
    void onBack();
    void beforeProcessEnds() override;

    VolumeRecord record_;
    int maxCandidates_;
    std::unique_ptr<ntfs> parser_;
    QPointer<WizardPage> browse_;
    PageWorker worker_;
};

}  // namespace salvor::gui
