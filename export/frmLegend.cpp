#include "frmLegend.h"
#include "FormRows.h"
#include "WindowPlacement.h"

#include "SurveyLegend.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmLegend::frmLegend(SurveyLegend &legend, QWidget *parent) : QDialog(parent), m_legend(legend)
{
    setObjectName(QStringLiteral("frmLegend"));
    setWindowTitle(QStringLiteral("Legend"));

    auto *form = new QFormLayout;
    auto addRow = [&](const QString &labelName, const QString &caption, const QString &boxName) {
        QLineEdit *box = FormRows::addTextBox(*form, *this, labelName, caption, boxName);
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("M")) * 16);
        return box;
    };
    edDepartment = addRow(QStringLiteral("lblDepartment"), SurveyLegend::DepartmentCaption,
                          QStringLiteral("edDepartment"));
    edDate = addRow(QStringLiteral("lblDate"), SurveyLegend::DateCaption, QStringLiteral("edDate"));
    edDetector = addRow(QStringLiteral("lblDetector"), SurveyLegend::DetectorCaption,
                        QStringLiteral("edDetector"));
    edLocation = addRow(QStringLiteral("lblLocation"), SurveyLegend::LocationCaption,
                        QStringLiteral("edLocation"));
    edPersonnel = addRow(QStringLiteral("lblPersonnel"), SurveyLegend::PersonnelCaption,
                         QStringLiteral("edPersonnel"));

    btOk = new QPushButton(QStringLiteral("OK"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setDefault(true);
    btCalcel = new QPushButton(QStringLiteral("&Cancel"), this);
    btCalcel->setObjectName(QStringLiteral("btCalcel"));
    connect(btOk, &QPushButton::clicked, this, &frmLegend::confirm);
    connect(btCalcel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOk);
    buttons->addWidget(btCalcel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    const SurveyLegend::Texts &texts = m_legend.texts();
    edDepartment->setText(texts.Department);
    edDate->setText(texts.MyDate);
    edDetector->setText(texts.Detector);
    edLocation->setText(texts.Location);
    edPersonnel->setText(texts.Personnel);
}

void frmLegend::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    WindowPlacement::centreOnScreen(*this);
}

void frmLegend::confirm()
{
    // The settings write is best effort: the legend is used for this run either way.
    m_legend.confirm({edDepartment->text(), edDate->text(), edDetector->text(), edLocation->text(),
                      edPersonnel->text()});
    accept();
}
