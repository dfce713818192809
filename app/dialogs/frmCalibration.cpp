#include "frmCalibration.h"
#include "FormRows.h"

#include "CalibrationDue.h"
#include "CalibrationRecord.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmCalibration::frmCalibration(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCalibration"));
    setWindowTitle(QStringLiteral("Calibration Info"));
    setModal(false);

    auto *form = new QFormLayout;
    auto addRow = [&](const QString &labelName, const QString &caption, const QString &boxName) {
        QLineEdit *box = FormRows::addTextBox(*form, *this, labelName, caption, boxName);
        // The record is the meter's: it can be copied from here, not changed.
        box->setReadOnly(true);
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("M")) * 14);
        return box;
    };
    edMeter = addRow(QStringLiteral("lblMeter"), QStringLiteral("Instrument  Number:"),
                     QStringLiteral("edMeter"));
    edFactor =
        addRow(QStringLiteral("lblFactor"), QStringLiteral("Factor:"), QStringLiteral("edFactor"));
    edName = addRow(QStringLiteral("lblName"), QStringLiteral("Calibrated by:"),
                    QStringLiteral("edName"));
    edTime = addRow(QStringLiteral("lblTime"), QStringLiteral("Calibration Due:"),
                    QStringLiteral("edTime"));

    lblDueState = new QLabel(this);
    lblDueState->setObjectName(QStringLiteral("lblDueState"));
    lblDueState->setWordWrap(true);
    lblDueState->hide();

    btOk = new QPushButton(QStringLiteral("OK"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOk);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblDueState);
    layout->addLayout(buttons);

    connect(btOk, &QPushButton::clicked, this, &QWidget::hide);
}

void frmCalibration::PutCalibData(const CalibrationRecord &record)
{
    edMeter->setText(record.meter);
    edTime->setText(record.due);
    edName->setText(record.name);
    edFactor->setText(record.factor);
    if (m_due) {
        const CalibrationDue::Verdict verdict = m_due->verdict(CalibrationDue::dueDate(record.due));
        lblDueState->setText(CalibrationDue::describe(verdict));
        const bool warn = verdict.state == CalibrationDue::State::Overdue ||
                          verdict.state == CalibrationDue::State::DueSoon;
        lblDueState->setStyleSheet(warn ? QStringLiteral("color: #a00000; font-weight: bold;")
                                        : QString());
        lblDueState->show();
    }
    show();
    raise();
}
