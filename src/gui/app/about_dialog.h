#pragma once
#include <QDialog>

namespace salvor::gui {

// The About box: application title, a notice line and three link buttons.
class CSysInfoAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSysInfoAboutDlg(QWidget* owner);
};

}  // namespace salvor::gui
