// A download of stored readings from the simulated meter over a pseudo-terminal,
// both sides paced at the speed of a 9600-baud line: readings per second against
// the line's own limit. The meter runs as a process of its own, as a real one
// would. Run: bench_download [records] [--graph]
// With --graph the list starts with ten readings, the graph is open and
// online, and every downloaded reading redraws it.
#include "Clock.h"
#include "MainController.h"
#include "ProfileFile.h"
#include "ScriptedPrompt.h"
#include "ScriptedSoundPlayer.h"
#include "frmGraph.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include <cstdio>

namespace {

// Runs the event loop until the condition holds, as the program's own loop
// would run (QTest::qWaitFor sleeps between its rounds, which would slow the line).
bool runUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    check.start(20);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int records = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    const bool withGraph = QCoreApplication::arguments().contains(QStringLiteral("--graph"));

    QTemporaryDir dir;
    QProcess meter;
    meter.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    meter.start(QStringLiteral(TESK_METER_SIM),
                {QStringLiteral("--pace"), QStringLiteral("--records"), QString::number(records),
                 QStringLiteral("--log"), dir.filePath(QStringLiteral("meter.log"))});
    if (!meter.waitForReadyRead(20000) || !runUntil([&] { return meter.canReadLine(); }, 20000)) {
        std::fprintf(stderr, "the simulated meter did not start\n");
        return 1;
    }
    const QString device =
        QString::fromLocal8Bit(meter.readLine()).trimmed().section(QChar(u' '), 0, 0);
    ProfileFile settings(dir.filePath(QStringLiteral("Tesk.ini")));
    settings.WriteProfileKey(QStringLiteral("Com2Device"), device);
    SystemClock clock;
    ScriptedPrompt prompt;
    const QString home = dir.filePath(QStringLiteral("home"));
    QDir().mkpath(home);
    if (withGraph) {
        QFile list(home + QStringLiteral("/TeskTemp.lst"));
        if (!list.open(QIODevice::WriteOnly))
            return 1;
        for (int i = 0; i < 6; ++i)
            list.write("\"\"\r\n");
        for (int i = 0; i < 10; ++i)
            list.write(QStringLiteral("\"SIM-0000001   2026-12-04 08:%1:00           0.%2     "
                                      "uSv/h      0 Internal   \"\r\n")
                           .arg(i + 10)
                           .arg(i + 10)
                           .toLatin1());
        prompt.answers = {UserPrompt::Answer::Yes}; // the download appends to them
    }
    MainController controller({settings, clock, prompt, new ScriptedSoundPlayer, home});
    frmMain window(controller);
    controller.startUp({});
    window.show();
    if (!runUntil([&] { return controller.link().Connected; }, 20000)) {
        std::fprintf(stderr, "the meter did not answer\n");
        return 1;
    }
    runUntil([] { return false; }, 500); // the online stop that follows the test reply goes out

    if (withGraph) {
        controller.graphCommand().btGraph();
        controller.graphCommand().graph().onlineSwitch();
        if (!window.graphWindow().isVisible() || !controller.graphCommand().graph().bOnline()) {
            std::fprintf(stderr, "the graph did not open online\n");
            return 1;
        }
    }

    QElapsedTimer timer;
    timer.start();
    controller.btGetData();
    const bool done = runUntil([&] { return prompt.count(QStringLiteral("Data loaded")) > 0; },
                               records * 100 + 10000);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const int received = controller.listFile().TotalRecords() - (withGraph ? 10 : 0);
    // Per record the line carries a 10-byte request and a 26-byte reply, 10 bits a byte.
    const double limit = 9600.0 / (36 * 10);
    const double rate = received / seconds;
    if (withGraph)
        std::printf("graph online and visible: %d points shown\n",
                    controller.graphCommand().graph().data().AllNumberOfPoints + 1);
    std::printf("%s: %d of %d readings in %.2f s: %.2f readings/s, line limit %.2f/s: %.1f %%\n",
                done ? "complete" : "INCOMPLETE", received, records, seconds, rate, limit,
                100.0 * rate / limit);
    // TESK_BENCH_KEEP_LOG keeps the meter's log of commands and replies.
    if (qEnvironmentVariableIsSet("TESK_BENCH_KEEP_LOG")) {
        dir.setAutoRemove(false);
        std::printf("meter log: %s\n", qPrintable(dir.filePath(QStringLiteral("meter.log"))));
    }
    meter.terminate();
    meter.waitForFinished(5000);
    return done && received == records ? 0 : 1;
}
