#pragma once
// The browse page: runs the volume's parser on a worker, then shows the tree
// of folders and the file list of the chosen folder.
#include <atomic>
#include <functional>
#include <memory>

#include "app/wizard_page.h"
#include "browse/entry_browser.h"
#include "browse/icon_index.h"
#include "browse/saver.h"
#include "controls/check_list.h"
#include "controls/check_tree.h"
#include "controls/icon_provider.h"
#include "discovery/volume_record.h"
#include "platform/page_worker.h"

class QLineEdit;
class QPushButton;

namespace salvor::gui {

class CCheckListCtrlView;
class EntryTreeView;
class TreeModel;

class VolumeScanDlg : public WizardPage {
    Q_OBJECT
public:
    enum Id {
        IdVolumeData = 1324,
        IdSearchEdit = 1319,
        IdSearch = 1318,
        IdTree = 1042,
        IdList = 1268,
        IdProgress = 1055,
        IdPause = 1060,
        IdResume = 1061,
        IdStop = 1059,
        IdStatus = 1033,
        IdStatus2 = 1119,
        IdBack = 1057,
        IdSave = 1269,
        IdHelp = 1326,
        IdExit = 1,
        IdOutputFolder = 1107,
    };

    // `borrowed`: the advanced-input page's parser (Advanced mode); otherwise
    // the page makes its own.
    VolumeScanDlg(const VolumeRecord& record, int mode, WizardPage* owner, VolumeParser* borrowed = nullptr);
    ~VolumeScanDlg() override;

    // Chooses the parser and starts the parse (called once the page is shown).
    void startParse();

    bool busy() const { return busy_; }
    QString outputFolder() const { return outputFolder_; }
    const SaveReport& lastSave() const { return lastSave_; }
    int mode() const { return mode_; }
    VolumeParser* parser() const { return parser_; }
    CXHtmlTree& tree() { return tree_; }
    CCheckListCtrl& list() { return list_; }
    PageWorker& worker() { return worker_; }
    EntryTreeView* treeView() const { return treeView_; }
    TreeModel* treeModel() const { return treeModel_; }
    CCheckListCtrlView* listView() const { return listView_; }

signals:
    // The parse worker has run its ending steps.
    void parseFinished();
    // A save has ended ("work done").
    void saveFinished();

private:
    void onLabelClicked(const QModelIndex& index);
    void onExpandedOrCollapsed(const QModelIndex& index);
    void onDoubleClicked(const QModelIndex& index);
    void onPause();
    void onResume();
    void onStop();
    void onBack();
    void onSave();
    void saveDoubleClicked(TreeItem item);
    // Runs a save on the worker: `work` writes into the output folder.
    void runSave(uint64_t count, const std::function<void(Saver&, platform::OutputDir&)>& work);
    void finishParse();
    void beforeProcessEnds() override;

    VolumeRecord record_;
    int mode_;
    std::atomic<bool> busy_{true};
    SaveReport lastSave_;
    std::atomic<bool> stopFlag_{false};
    QString outputFolder_;
    CXHtmlTree tree_;
    CCheckListCtrl list_;
    IconIndex icons_;
    IconProvider iconProvider_{icons_};
    std::unique_ptr<VolumeParser> ownParser_;
    VolumeParser* parser_ = nullptr;
    VolumeParser* borrowed_ = nullptr;
    std::unique_ptr<EntryBrowser> browser_;
    EntryTreeView* treeView_ = nullptr;
    TreeModel* treeModel_ = nullptr;
    CCheckListCtrlView* listView_ = nullptr;
    PageWorker worker_;
};

}  // namespace salvor::gui
