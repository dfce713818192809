#include "ProgramWindows.h"

#include "MainController.h"
#include "ProgramFolder.h"
#include "SoundEffectPlayer.h"
#include "frmMain.h"
#include "frmViewer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>

ProgramWindows::ProgramWindows(const ProfileFile &settings, const QString &programFolder,
                               const QStringList &arguments, QObject *parent)
    : QObject(parent), m_settings(settings), m_programFolder(programFolder), m_arguments(arguments)
{}

ProgramWindows::~ProgramWindows()
{
    // The viewers read the settings and the clock held here.
    for (const QPointer<frmViewer> &viewer : std::as_const(m_loneViewers))
        delete viewer.data();
}

void ProgramWindows::addTraceNote(const QString &line)
{
    qWarning("%s", qPrintable(line));
    if (m_controller)
        m_controller->trace().addLine(line);
    else
        m_traceNotes << line;
}

frmMain &ProgramWindows::showMainWindow()
{
    if (!m_window) {
        const QString folderProblem = ProgramFolder::prepare(m_programFolder);
        m_controller = std::make_unique<MainController>(MainController::Services{
            m_settings, m_clock, m_prompt, new SoundEffectPlayer, m_programFolder});
        if (!m_runDevice.isEmpty())
            m_controller->portDevices().setRunOverride(m_runDevice);
        for (const QString &line : std::as_const(m_traceNotes))
            m_controller->trace().addLine(line);
        m_traceNotes.clear();
        m_window = std::make_unique<frmMain>(*m_controller);
        m_window->installEventFilter(this);
        m_prompt.setParent(m_window.get());
        m_controller->startUp(m_arguments);
        if (!folderProblem.isEmpty()) {
            QTimer::singleShot(0, m_window.get(), [window = m_window.get(), folderProblem] {
                QMessageBox::warning(window, UserPrompt::ProgramTitle, folderProblem);
            });
        }
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    return *m_window;
}

void ProgramWindows::openSavedList(const QString &path)
{
    // A list shown alone already comes to the front rather than into a second window.
    for (const QPointer<frmViewer> &viewer : std::as_const(m_loneViewers)) {
        if (viewer && viewer->isVisible() && viewer->viewer().path() == path) {
            viewer->raise();
            viewer->activateWindow();
            return;
        }
    }
    if (m_window) {
        m_window->openSavedList(path);
        return;
    }
    m_loneViewers.removeAll(nullptr);
    if (frmViewer *viewer = frmViewer::open(path, {m_settings, m_clock}, nullptr))
        m_loneViewers.append(viewer);
}

void ProgramWindows::openStartLists(const QStringList &paths)
{
    for (const QString &path : paths)
        openSavedList(path);
    const bool shown =
        std::any_of(m_loneViewers.cbegin(), m_loneViewers.cend(),
                    [](const QPointer<frmViewer> &viewer) { return !viewer.isNull(); });
    if (!m_window && !shown)
        QCoreApplication::exit(1);
}

bool ProgramWindows::eventFilter(QObject *watched, QEvent *event)
{
    // The main window is the program: lists shown alone before it close with it.
    if (watched == m_window.get() && event->type() == QEvent::Close)
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    return QObject::eventFilter(watched, event);
}
