#pragma once

#include "MessageHook.h"

#include <QDialog>
#include <QMessageBox>

#include <array>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;
class SystemInfoLauncher;

// The About box: title, version, the program's folder and a button that
// starts the system information tool.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    static const QString ProgramTitle;
    // "Version " and the program's major, minor and patch numbers.
    static QString versionText();

    frmAbout(const SystemInfoLauncher &launcher, const QString &programFolder,
             QWidget *parent = nullptr);

    void setDescription(const QString &text);
    void setMessageHook(MessageHook hook) { m_showMessage = std::move(hook); }

private:
    void startSystemInfo();

    const SystemInfoLauncher &m_launcher;
    MessageHook m_showMessage;
    QLabel *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblProgramFolder = nullptr;
    QLabel *lblDisclaimer = nullptr;
    std::array<QFrame *, 2> Line1{};
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;
};
