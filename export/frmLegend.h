#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class SurveyLegend;

// The legend window: shows the survey legend for editing; OK hands the five
// texts to the legend, Cancel leaves it as it was.
class frmLegend : public QDialog
{
    Q_OBJECT

public:
    explicit frmLegend(SurveyLegend &legend, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void confirm();

    SurveyLegend &m_legend;
    QLineEdit *edDepartment = nullptr;
    QLineEdit *edDate = nullptr;
    QLineEdit *edDetector = nullptr;
    QLineEdit *edLocation = nullptr;
    QLineEdit *edPersonnel = nullptr;
    QPushButton *btOk = nullptr;
    QPushButton *btCalcel = nullptr;
};
