#pragma once

#include "ListSaver.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The save dialog: the name of the saved list and the choice of outputs.
// ReturnCode is 1 once the text files are saved, 2 after Cancel, and 0 when
// the dialog was closed from its title bar.
class WriteToFile : public QDialog
{
    Q_OBJECT

public:
    explicit WriteToFile(const ListSaver::Services &services, QWidget *parent = nullptr);

    int ReturnCode() const { return m_saver.ReturnCode; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void connectControls();
    void finish(ListSaver::Next next);

    ListSaver m_saver;
    QLabel *Label1 = nullptr;
    QLineEdit *edFileName = nullptr;
    QCheckBox *btSaveExcel = nullptr;
    QCheckBox *chkCloseExel = nullptr;
    QCheckBox *chkReport = nullptr;
    QPushButton *btWrite = nullptr;
    QPushButton *btMacro = nullptr;
    QPushButton *btCancel = nullptr;
};
