#pragma once

#include <QDialog>

class QPushButton;

namespace quenby::gui {

class TCheckBox;

// The run's choices beyond the main window's own: a preview before copying,
// copies read back, both files kept on a name clash, and only the photos
// not imported before. The main window
// owns the dialog for its whole life, so its check boxes are stored with
// the window's other controls.
class TOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsDialog(QWidget* parent = nullptr);

    TCheckBox* Preview;
    TCheckBox* VerifyCopies;
    TCheckBox* KeepBoth;
    TCheckBox* OnlyNew;
    QPushButton* CloseButton;
};

}  // namespace quenby::gui
