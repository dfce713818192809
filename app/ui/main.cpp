#include "ProfileFile.h"
#include "ProgramFolder.h"
#include "ProgramHelp.h"
#include "ProgramInstance.h"
#include "ProgramWindows.h"
#include "SimulatorProcess.h"
#include "UserPrompt.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    if (const std::optional<int> code = ProgramHelp::answer(argc, argv))
        return *code;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TESK Meter View"));
    QApplication::setApplicationVersion(QStringLiteral(TESK_VERSION));
    // The installed icon (share/icons/hicolor/scalable/apps/tesk.svg), and the
    // menu entry tesk.desktop that a desktop matches the window with.
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("tesk"), QIcon::fromTheme(QStringLiteral("utilities-system-monitor"))));
    QGuiApplication::setDesktopFileName(QStringLiteral("tesk"));

    QStringList words = QApplication::arguments().mid(1);
    const bool simulate = words.removeAll(QStringLiteral("--simulate")) > 0;
    const QStringList savedLists = ProgramInstance::filesIn(words);

    const QString folder = ProgramFolder::path();
    const ProfileFile settings(ProfileFile::standardPath());
    ProgramWindows windows(settings, folder, words);

    // Saved lists, and the main window with the port, go to the program that
    // runs already; a simulated run keeps apart from it.
    const ProgramInstance::Place place =
        simulate ? ProgramInstance::Place{} : ProgramInstance::placeFor(settings.path(), folder);
    ProgramInstance instance(place.socketName);
    if (!simulate) {
        switch (instance.start(savedLists)) {
        case ProgramInstance::Outcome::Handed:
            return 0;
        case ProgramInstance::Outcome::NoAnswer:
            QMessageBox::critical(nullptr, UserPrompt::ProgramTitle,
                                  QObject::tr("TESK Meter View is running but did not answer."));
            return 1;
        case ProgramInstance::Outcome::Alone:
            windows.addTraceNote(
                QObject::tr("Lists are not handed over between programs: %1")
                    .arg(place.problem.isEmpty() ? instance.error() : place.problem));
            break;
        case ProgramInstance::Outcome::Listening:
            break;
        }
    }
    QObject::connect(&instance, &ProgramInstance::fileRequested, &windows,
                     &ProgramWindows::openSavedList);
    QObject::connect(&instance, &ProgramInstance::mainWindowRequested, &windows,
                     [&windows] { windows.showMainWindow(); });

    SimulatorProcess simulator;
    if (simulate) {
        // For this run only, every port opens the simulated meter.
        const QString device = simulator.start();
        if (device.isEmpty()) {
            QMessageBox::critical(nullptr, UserPrompt::ProgramTitle, simulator.error());
            return 1;
        }
        windows.setRunDevice(device);
    }
    // A saved list opened alone is only read: no main window, no port.
    if (simulate || savedLists.isEmpty())
        windows.showMainWindow();
    if (!savedLists.isEmpty())
        QMetaObject::invokeMethod(
            &windows, [&windows, savedLists] { windows.openStartLists(savedLists); },
            Qt::QueuedConnection);
    return QApplication::exec();
}
