#include "frmParameters.h"

#include "NumberText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

frmParameters::frmParameters(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmParameters"));
    setWindowTitle(QStringLiteral("Set Parameters"));

    auto makeLabel = [this](const QString &name, const QString &caption) {
        auto *label = new QLabel(caption, this);
        label->setObjectName(name);
        return label;
    };
    auto makeBox = [this](const QString &name) {
        auto *box = new QLineEdit(this);
        box->setObjectName(name);
        return box;
    };
    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("Threshold 1:"));
    edThreshold1 = makeBox(QStringLiteral("edThreshold1"));
    Label2 = makeLabel(QStringLiteral("Label2"), QStringLiteral("Threshold 2:"));
    edThreshold2 = makeBox(QStringLiteral("edThreshold2"));
    Label3 = makeLabel(QStringLiteral("Label3"), QStringLiteral("Lost Contact Interval:"));
    edLostContact = makeBox(QStringLiteral("edLostContact"));
    Label4 = makeLabel(QStringLiteral("Label4"), QStringLiteral("Sec."));
    Label1->setBuddy(edThreshold1);
    Label2->setBuddy(edThreshold2);
    Label3->setBuddy(edLostContact);

    chkAudio = new QCheckBox(QStringLiteral("Audio Alarm"), this);
    chkAudio->setObjectName(QStringLiteral("chkAudio"));
    chkAutoArrange = new QCheckBox(QStringLiteral("Auto Arrange forms"), this);
    chkAutoArrange->setObjectName(QStringLiteral("chkAutoArrange"));

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(edThreshold1, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(edThreshold2, 1, 1);
    fields->addWidget(Label3, 2, 0);
    fields->addWidget(edLostContact, 2, 1);
    fields->addWidget(Label4, 2, 2);
    fields->addWidget(chkAudio, 3, 0, 1, 3);
    fields->addWidget(chkAutoArrange, 4, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(OKButton, &QPushButton::clicked, this, &frmParameters::confirm);
    connect(CancelButton, &QPushButton::clicked, this, &frmParameters::cancel);
}

void frmParameters::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar keeps what the user typed.
    if (event->spontaneous())
        return;
    edThreshold1->setText(NumberText::plain(Threshold1));
    edThreshold2->setText(NumberText::plain(Threshold2));
    edLostContact->setText(NumberText::plain(LostContactInterval));
    chkAudio->setChecked(AudioAlarm != 0);
    chkAutoArrange->setChecked(AutoArrange != 0);
}

void frmParameters::keyPressEvent(QKeyEvent *event)
{
    // Escape is Cancel: an earlier OK must not be applied again.
    if (event->matches(QKeySequence::Cancel)) {
        cancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmParameters::confirm()
{
    RetCode = 1;
    // No checks: a text that does not start with a number counts as 0.
    Threshold1 = NumberText::leadingNumber(edThreshold1->text());
    Threshold2 = NumberText::leadingNumber(edThreshold2->text());
    LostContactInterval = NumberText::leadingNumber(edLostContact->text());
    AudioAlarm = chkAudio->isChecked() ? 1 : 0;
    AutoArrange = chkAutoArrange->isChecked() ? 1 : 0;
    accept();
}

void frmParameters::cancel()
{
    RetCode = 2;
    reject();
}
