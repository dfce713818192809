// One reading handled end to end, as the meter's message arrives: framing,
// decoding, the list file written and flushed, the grid (full, 300 rows), the
// displays and the alarm check.
#include "Clock.h"
#include "MainController.h"
#include "MeterSimulator.h"
#include "ProfileFile.h"
#include "ScriptedPrompt.h"
#include "ScriptedSoundPlayer.h"
#include "frmMain.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct Program
{
    QTemporaryDir dir;
    ProfileFile settings{dir.filePath(QStringLiteral("Tesk.ini"))};
    SystemClock clock;
    ScriptedPrompt prompt;
    MainController controller{
        {settings, clock, prompt, new ScriptedSoundPlayer, dir.filePath(QStringLiteral("home"))}};
    frmMain window{controller};

    Program()
    {
        QDir().mkpath(dir.filePath(QStringLiteral("home")));
        settings.WriteProfileKey(QStringLiteral("Com2Device"),
                                 dir.filePath(QStringLiteral("none")));
        controller.startUp({});
        window.show();
        controller.StopOnline();
        controller.btStart(); // online collection: a new list
        for (int i = 0; i < 300; ++i)
            controller.link().processInput(message(i));
        QCoreApplication::processEvents();
    }

    static QByteArray message(int n)
    {
        MeterSimulator::Reading reading;
        reading.taken = QDateTime::currentDateTime();
        reading.value = 0.01 * (n % 15 + 1); // below the warning level: no sound
        return MeterSimulator::measurementMessage(reading, QStringLiteral("12345678901"));
    }
};

Program &program()
{
    static Program instance;
    return instance;
}

void handledReading(benchmark::State &state)
{
    Program &p = program();
    const QByteArray message = Program::message(7);
    for (auto _ : state)
        p.controller.link().processInput(message);
    state.counters["rows"] = p.controller.grid().NumOfRec();
}

// The same, with the window's repaint that follows each reading.
void handledAndPaintedReading(benchmark::State &state)
{
    Program &p = program();
    const QByteArray message = Program::message(7);
    for (auto _ : state) {
        p.controller.link().processInput(message);
        QCoreApplication::processEvents();
    }
}

} // namespace

BENCHMARK(handledReading)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(handledAndPaintedReading)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
