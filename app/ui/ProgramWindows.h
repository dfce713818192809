#pragma once

#include "Clock.h"
#include "MessageBoxPrompt.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class MainController;
class ProfileFile;
class frmMain;
class frmViewer;

// The program's windows. A saved list opened with no program running is shown
// alone: the main window, which opens the meter's port, comes only when asked
// for, and then once. Closing the main window ends the program.
class ProgramWindows : public QObject
{
    Q_OBJECT

public:
    ProgramWindows(const ProfileFile &settings, const QString &programFolder,
                   const QStringList &arguments, QObject *parent = nullptr);
    ~ProgramWindows() override;

    // Every port of this run opens `device` (the simulated meter).
    void setRunDevice(const QString &device) { m_runDevice = device; }
    // A line for the communication trace, kept until the main window exists.
    void addTraceNote(const QString &line);

    // Makes the main window, with its port, on the first call; brings it to
    // the front.
    frmMain &showMainWindow();
    frmMain *mainWindow() const { return m_window.get(); }

    // Shows a saved list, beside the main window when there is one.
    void openSavedList(const QString &path);
    // The lists named on the command line: the program ends (status 1) when
    // none is shown and there is no main window.
    void openStartLists(const QStringList &paths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const ProfileFile &m_settings;
    QString m_programFolder;
    QStringList m_arguments;
    QString m_runDevice;
    QStringList m_traceNotes;
    SystemClock m_clock;
    MessageBoxPrompt m_prompt;
    std::unique_ptr<MainController> m_controller;
    std::unique_ptr<frmMain> m_window;
    QList<QPointer<frmViewer>> m_loneViewers;
};
