#pragma once

#include <QDialog>

class QPushButton;

namespace quenby::gui {

class TCheckBox;

// The run's choices beyond the main window's own: a preview before copying,
// copies read back, and both files kept on a name clash. The main window
// owns the dialog for its whole life, so its check boxes are stored with
// the window's other controls.
class TOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsDialog(QWidget* parent = nullptr);

    TCheckBox* Preview;
    TCheckBox* VerifyCopies;
    TCheckBox* KeepBoth;
    QPushButton* CloseButton;
};

}  // namespace quenby::gui
