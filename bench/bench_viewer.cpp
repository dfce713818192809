// A saved list opened in the viewer: its file read into records and the
// graph, and the whole window up to its first painting, for lists of growing
// length.
#include "FixedClock.h"
#include "ListViewer.h"
#include "LongListRecords.h"
#include "ProfileFile.h"
#include "WorkingListFile.h"
#include "frmViewer.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>

namespace {

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

QString savedList(int records)
{
    static std::map<int, QString> made;
    if (const auto found = made.find(records); found != made.end())
        return found->second;
    const QString name = folder().filePath(QStringLiteral("list%1.lst").arg(records));
    WorkingListFile list(name);
    list.OpenNewTempFile({QStringLiteral("Department: Bench"), QStringLiteral("Date: 2024-05-01"),
                          QStringLiteral("Instrument Type: GM"),
                          QStringLiteral("Survey location: Hall"),
                          QStringLiteral("Surveyor: Nobody")});
    list.close();
    QFile file(name);
    file.open(QIODevice::Append);
    for (int n = 0; n < records; ++n)
        file.write(WorkingListFile::quoted(longListRecordText(n)));
    return made[records] = name;
}

struct Services
{
    ProfileFile settings{folder().filePath(QStringLiteral("Tesk.ini"))};
    FixedClock clock;
};

void readList(benchmark::State &state)
{
    const QString path = savedList(static_cast<int>(state.range(0)));
    Services services;
    for (auto _ : state) {
        ListViewer viewer(path, {services.settings, services.clock});
        if (!viewer.load().isEmpty() || viewer.recordCount() != state.range(0))
            state.SkipWithError("the list was not read whole");
    }
    state.SetComplexityN(state.range(0));
}

void openWindow(benchmark::State &state)
{
    const QString path = savedList(static_cast<int>(state.range(0)));
    Services services;
    for (auto _ : state) {
        frmViewer *window = frmViewer::open(path, {services.settings, services.clock}, nullptr);
        if (!window) {
            state.SkipWithError("the list was refused");
            break;
        }
        QApplication::processEvents(); // the first painting
        delete window;
    }
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(readList)
    ->RangeMultiplier(10)
    ->Range(1'000, 100'000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(openWindow)
    ->RangeMultiplier(10)
    ->Range(1'000, 100'000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
