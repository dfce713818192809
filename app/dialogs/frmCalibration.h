#pragma once

#include <QDialog>

struct CalibrationRecord;
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

private:
    QLineEdit *edMeter = nullptr;
    QLineEdit *edFactor = nullptr;
    QLineEdit *edName = nullptr;
    QLineEdit *edTime = nullptr;
    QPushButton *btOk = nullptr;
};
