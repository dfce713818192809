#include "Clock.h"
#include "MainController.h"
#include "MessageBoxPrompt.h"
#include "ProfileFile.h"
#include "ProgramFolder.h"
#include "ProgramHelp.h"
#include "ProgramInstance.h"
#include "SimulatorProcess.h"
#include "SoundEffectPlayer.h"
#include "frmMain.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

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
    // Saved lists go to the program that runs already, which holds the port;
    // a simulated run keeps apart from it.
    ProgramInstance instance(ProgramInstance::socketNameFor(ProfileFile::standardPath(), folder));
    if (!simulate) {
        const auto handed = savedLists.isEmpty() ? ProgramInstance::HandOver::NoneRunning
                                                 : instance.handOver(savedLists);
        if (handed == ProgramInstance::HandOver::Handed)
            return 0;
        if (handed == ProgramInstance::HandOver::NoAnswer) {
            QMessageBox::critical(nullptr, UserPrompt::ProgramTitle,
                                  QObject::tr("TESK Meter View is running but did not answer."));
            return 1;
        }
        instance.listen(); // without it, lists opened later start programs of their own
    }
    const QString folderProblem = ProgramFolder::prepare(folder);
    const ProfileFile settings(ProfileFile::standardPath());
    const SystemClock clock;
    MessageBoxPrompt prompt;
    MainController controller({settings, clock, prompt, new SoundEffectPlayer, folder});

    SimulatorProcess simulator;
    if (simulate) {
        // For this run only, every port opens the simulated meter.
        const QString device = simulator.start();
        if (device.isEmpty()) {
            QMessageBox::critical(nullptr, UserPrompt::ProgramTitle, simulator.error());
            return 1;
        }
        controller.portDevices().setRunOverride(device);
    }

    frmMain window(controller);
    prompt.setParent(&window);
    QObject::connect(&instance, &ProgramInstance::fileRequested, &window, &frmMain::openSavedList);
    controller.startUp(words);
    window.show();
    for (const QString &path : savedLists)
        QMetaObject::invokeMethod(
            &window, [&window, path] { window.openSavedList(path); }, Qt::QueuedConnection);
    if (!folderProblem.isEmpty()) {
        QTimer::singleShot(0, &window, [&window, folderProblem] {
            QMessageBox::warning(&window, UserPrompt::ProgramTitle, folderProblem);
        });
    }
    return QApplication::exec();
}
