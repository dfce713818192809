#pragma once

#include <QString>

class QFormLayout;
class QLineEdit;
class QWidget;

// Labelled text boxes of the program's small windows.
class FormRows
{
public:
    // Adds a label and its text box (the label's buddy, so its mnemonic
    // reaches the box), each with its object name; returns the box.
    static QLineEdit *addTextBox(QFormLayout &form, QWidget &owner, const QString &labelName,
                                 const QString &caption, const QString &boxName);
};
