#pragma once

#include <QDialog>
#include <QtGlobal>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The parameters dialog: the alarm thresholds, the lost-contact interval and
// the two switches. The caller sets the values, runs the dialog and takes them
// back when RetCode is 1; the dialog never touches the settings file.
class frmParameters : public QDialog
{
    Q_OBJECT

public:
    explicit frmParameters(QWidget *parent = nullptr);

    // These persist from one use of the dialog to the next.
    double Threshold1 = 0;
    double Threshold2 = 0;
    double LostContactInterval = 0;
    qint16 AudioAlarm = 0;
    qint16 AutoArrange = 0;
    // 1 after OK, 2 after Cancel or Escape; closing from the title bar leaves
    // it as it was.
    qint16 RetCode = 0;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void confirm();
    void cancel();

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *edThreshold1 = nullptr;
    QLineEdit *edThreshold2 = nullptr;
    QLineEdit *edLostContact = nullptr;
    QCheckBox *chkAudio = nullptr;
    QCheckBox *chkAutoArrange = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;
};
