#pragma once

#include "controls/stdcontrols.h"

// The numeric edit: an edit whose text is a number. For now it only offers
// the number as `Value`; the text stays editable as in any edit.
class TEnhancedEdit : public TEdit {
    Q_OBJECT
    Q_PROPERTY(double Value READ Value WRITE SetValue)
public:
    explicit TEnhancedEdit(QWidget* parent = nullptr);

    // The number the text shows; 0 when it shows none.
    double Value() const;
    void SetValue(double value);
};
