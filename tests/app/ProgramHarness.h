#pragma once

#include "CommandFrame.h"
#include "DateTimeText.h"
#include "FixedClock.h"
#include "MainController.h"
#include "MeterServer.h"
#include "MeterSimulator.h"
#include "ProfileFile.h"
#include "ProgramInstance.h"
#include "ScriptedOpener.h"
#include "ScriptedPrompt.h"
#include "ScriptedSoundPlayer.h"
#include "TeskCommonPart.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

// The whole program, its window offscreen, attached to a simulated meter on a
// pseudo-terminal; the user, the clock and the sound output are scripted.
class ProgramHarness
{
public:
    static constexpr int LinkTimeoutMs = 15000;

    QTemporaryDir dir;
    std::unique_ptr<MeterServer> meter;
    QList<QByteArray> commands; // every command the meter received, in order
    std::unique_ptr<ProfileFile> settings;
    ScriptedPrompt prompt;
    ScriptedOpener opener; // files the program opens in the desktop's application
    FixedClock clock;
    ScriptedSoundPlayer *player = nullptr;
    std::unique_ptr<MainController> controller;
    std::unique_ptr<frmMain> window;
    std::unique_ptr<ProgramInstance> instance; // once listenForLists() ran

    // Everything lives in a temporary folder, or in `root` when one is given.
    explicit ProgramHarness(MeterOptions options = {}, const QString &root = {})
        : m_root(root.isEmpty() ? dir.path() : root)
    {
        TeskCommonPart::PortInUse = TeskCommonPart::CommPortNumber = 0;
        options.link = path(QStringLiteral("meter"));
        meter = startMeter(options, &commands);
        settings = std::make_unique<ProfileFile>(path(QStringLiteral("config/Tesk.ini")));
        settings->WriteProfileKey(QStringLiteral("CommPort"), QStringLiteral(" 2"));
        settings->WriteProfileKey(QStringLiteral("Com2Device"), options.link);
    }

    QString path(const QString &name) const { return m_root + QChar(u'/') + name; }

    // For a program run as a process of its own: the harness's settings and folder.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        environment.insert(QStringLiteral("TESK_HOME"), programFolder());
        return environment;
    }
    QString programFolder() const { return path(QStringLiteral("home")); }

    static std::unique_ptr<MeterServer> startMeter(const MeterOptions &options,
                                                   QList<QByteArray> *log)
    {
        auto server = std::make_unique<MeterServer>(options);
        QObject::connect(server.get(), &MeterServer::commandReceived, server.get(),
                         [log](int, const QByteArray &frame) { log->append(frame); });
        if (!server->start())
            qFatal("the simulated meter did not start: %s", qPrintable(server->errorString()));
        return server;
    }

    void start(const QStringList &arguments = {})
    {
        QDir().mkpath(programFolder());
        player = new ScriptedSoundPlayer;
        controller = std::make_unique<MainController>(
            MainController::Services{*settings, clock, prompt, player, programFolder()});
        window = std::make_unique<frmMain>(*controller);
        window->setDesktopOpener(opener);
        controller->startUp(arguments);
        window->show();
    }

    // Where the first program listens for the saved lists of those run after it.
    QString socketName() const
    {
        return ProgramInstance::placeFor(path(QStringLiteral("config/Tesk.ini")), programFolder())
            .socketName;
    }

    // Keeps the sockets of the programs a test runs out of the user's own
    // runtime folder; they go with the run.
    static bool useOwnRuntimeFolder()
    {
        static QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        return runtime.isValid();
    }

    // Listens, as the started program does, for saved lists that a program
    // run later with environment() hands over.
    bool listenForLists()
    {
        instance = std::make_unique<ProgramInstance>(socketName());
        QObject::connect(instance.get(), &ProgramInstance::fileRequested, window.get(),
                         &frmMain::openSavedList);
        return instance->listen();
    }

    // Starts the program and waits until the meter's reply brought the link up.
    bool startConnected(const QStringList &arguments = {})
    {
        start(arguments);
        return waitForLink();
    }

    bool waitForLink()
    {
        // The reply to a test brings the link up and stops online collection.
        return QTest::qWaitFor([this] { return controller->link().Connected; }, LinkTimeoutMs) &&
               QTest::qWaitFor([this] { return commands.contains(CommandFrame::onlineStop()); },
                               LinkTimeoutMs);
    }

    // A child of the main window, or of `in`, by name.
    template<typename T> T *widget(const QString &name, const QObject *in = nullptr) const
    {
        auto *found = (in ? in : window.get())->findChild<T *>(name);
        if (!found)
            qFatal("no widget %s", qPrintable(name));
        return found;
    }
    QPushButton *button(const QString &name) const { return widget<QPushButton>(name); }
    QAction *action(const QString &name) const { return widget<QAction>(name); }

    static QByteArray fileBytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString listFile() const { return programFolder() + QStringLiteral("/TeskTemp.lst"); }
    QStringList listLines() const
    {
        QStringList lines = QString::fromLatin1(fileBytes(listFile())).split(QLatin1String("\r\n"));
        if (lines.last().isEmpty()) // after the last line's end, or no file
            lines.removeLast();
        return lines;
    }

    QColor lampColour() const { return controller->controls().colour(QStringLiteral("spOk")); }
    int commandCount(const QByteArray &frame) const
    {
        return static_cast<int>(commands.count(frame));
    }

private:
    QString m_root;

public:
    // Runs `interact` on the next modal dialog once it is on screen; the caller
    // then opens the dialog.
    template<typename Dialog> static void whenModal(std::function<void(Dialog *)> interact)
    {
        QTimer::singleShot(0, [interact] {
            const auto modal = [] {
                return qobject_cast<Dialog *>(QApplication::activeModalWidget());
            };
            if (QTest::qWaitFor([&modal] { return modal() != nullptr; }, 10000))
                interact(modal());
        });
    }
};

// A reading stored in the meter on 2026-12-04 at the given time.
inline MeterSimulator::Reading storedAt(int hour, int minute, double value)
{
    MeterSimulator::Reading reading;
    reading.taken = DateTimeText::wallClock(QDate(2026, 12, 4), QTime(hour, minute, 42));
    reading.value = value;
    return reading;
}

// The program collecting online from a meter that stays silent, so a test
// hands it readings itself, a minute apart on the program's clock.
struct QuietProgram : ProgramHarness
{
    QuietProgram() : ProgramHarness(silentMeter())
    {
        start();
        controller->StopOnline();
        controller->btStart();
    }
    static MeterOptions silentMeter()
    {
        MeterOptions options;
        options.silent = true;
        return options;
    }
    void read(double value)
    {
        clock.time = clock.time.addSecs(60);
        controller->link().processInput(MeterSimulator::measurementMessage(
            storedAt(8, 0, value), QStringLiteral("SIM-0000001")));
    }
};
