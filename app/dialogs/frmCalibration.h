#pragma once

#include <QDialog>

class CalibrationDue;
struct CalibrationRecord;
class QLabel;
class QLineEdit;
class QPushButton;

// The calibration window: the meter's calibration record, shown beside the
// main window (not modal) each time the meter sends one.
class frmCalibration : public QDialog
{
    Q_OBJECT

public:
    explicit frmCalibration(QWidget *parent = nullptr);

    // Fills the four boxes and shows the window.
    void PutCalibData(const CalibrationRecord &record);
    // With it, the window also says whether the calibration is due.
    void setDueCheck(const CalibrationDue *due) { m_due = due; }

private:
    QLineEdit *edMeter = nullptr;
    QLineEdit *edFactor = nullptr;
    QLineEdit *edName = nullptr;
    QLineEdit *edTime = nullptr;
    QLabel *lblDueState = nullptr;
    QPushButton *btOk = nullptr;
    const CalibrationDue *m_due = nullptr;
};
