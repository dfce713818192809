#include "frmMqtt.h"

#include "BrokerCommand.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmMqtt::frmMqtt(BrokerCommand &command, QWidget *parent) : QDialog(parent), m_command(command)
{
    setObjectName(QStringLiteral("frmMqtt"));
    setWindowTitle(tr("MQTT Broker"));
    const auto makeBox = [this](const QString &name, const QString &text) {
        auto *box = new QLineEdit(text, this);
        box->setObjectName(name);
        return box;
    };
    const BrokerCommand::Setup &setup = command.setup();
    chkEnabled = new QCheckBox(tr("Publish readings and alarms to an MQTT broker"), this);
    chkEnabled->setObjectName(QStringLiteral("chkEnabled"));
    chkEnabled->setChecked(setup.enabled);
    edUrl = makeBox(QStringLiteral("edUrl"), setup.url);
    edUrl->setPlaceholderText(QStringLiteral("mqtt://host:1883"));
    edTopic = makeBox(QStringLiteral("edTopic"), setup.topic);
    edTopic->setPlaceholderText(tr("tesk/<instrument number>"));
    edUser = makeBox(QStringLiteral("edUser"), setup.user);
    edPassword = makeBox(QStringLiteral("edPassword"), QString());
    edPassword->setEchoMode(QLineEdit::Password);
    edPassword->setPlaceholderText(command.hasPassword() ? tr("(kept)") : tr("(none)"));
    edCaFile = makeBox(QStringLiteral("edCaFile"), setup.caFile);
    edCaFile->setPlaceholderText(tr("the system's certificates"));
    auto *browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName(QStringLiteral("btCaFile"));
    connect(browse, &QPushButton::clicked, this, &frmMqtt::chooseCaFile);
    auto *caRow = new QHBoxLayout;
    caRow->addWidget(edCaFile, 1);
    caRow->addWidget(browse);

    auto *form = new QFormLayout;
    form->addRow(tr("Broker:"), edUrl);
    form->addRow(tr("Topic prefix:"), edTopic);
    form->addRow(tr("User:"), edUser);
    form->addRow(tr("Password:"), edPassword);
    form->addRow(tr("CA file (mqtts):"), caRow);

    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setWordWrap(true);
    lblProblem->setStyleSheet(QStringLiteral("color: #a00000;"));
    lblProblem->hide();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &frmMqtt::confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(chkEnabled);
    layout->addLayout(form);
    layout->addWidget(lblProblem);
    layout->addWidget(buttons);
}

void frmMqtt::confirm()
{
    const BrokerCommand::Setup setup{chkEnabled->isChecked(), edUrl->text().trimmed(),
                                     edTopic->text().trimmed(), edUser->text().trimmed(),
                                     edCaFile->text().trimmed()};
    // Without a user there is no password to keep.
    std::optional<QString> password;
    if (setup.user.isEmpty())
        password = QString();
    else if (!edPassword->text().isEmpty())
        password = edPassword->text();
    const QString problem = m_command.apply(setup, password);
    lblProblem->setText(problem);
    lblProblem->setVisible(!problem.isEmpty());
    if (problem.isEmpty())
        accept();
}

void frmMqtt::chooseCaFile()
{
    const QString file =
        QFileDialog::getOpenFileName(this, tr("CA certificate"), edCaFile->text(),
                                     tr("Certificates (*.pem *.crt);;All files (*)"));
    if (!file.isEmpty())
        edCaFile->setText(file);
}
