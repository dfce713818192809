#pragma once

#include <QDialog>

class BrokerCommand;
class QCheckBox;
class QLabel;
class QLineEdit;

// The broker dialog: the on/off tick, the broker's address, the topic prefix,
// the user, the password and the CA file. OK keeps them through the command
// (the password in its own file) or shows why it cannot; Cancel changes nothing.
// An empty password box keeps the password already kept.
class frmMqtt : public QDialog
{
    Q_OBJECT

public:
    explicit frmMqtt(BrokerCommand &command, QWidget *parent = nullptr);

private:
    void confirm();
    void chooseCaFile();

    BrokerCommand &m_command;
    QCheckBox *chkEnabled = nullptr;
    QLineEdit *edUrl = nullptr;
    QLineEdit *edTopic = nullptr;
    QLineEdit *edUser = nullptr;
    QLineEdit *edPassword = nullptr;
    QLineEdit *edCaFile = nullptr;
    QLabel *lblProblem = nullptr;
};
