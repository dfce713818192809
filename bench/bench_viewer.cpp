// A saved list opened in the viewer: its file read into records and the
// graph, and the whole window up to its first painting, for lists of growing
// length; for a million records, the peak memory of each as well.
#include "BenchMemory.h"
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
#include <string>

namespace {

constexpr int MillionRecords = 1'000'000;
// The most a million-record list may take, read or opened, in the whole process.
constexpr long PeakBoundKb = 150 * 1024;

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

// Reads the list into a viewer; false when it was not read whole.
bool readOnce(const QString &path, int records, const Services &services)
{
    ListViewer viewer(path, {services.settings, services.clock});
    return viewer.load().isEmpty() && viewer.recordCount() == records;
}

// Opens the list's window up to its first painting; false when it was refused.
bool openOnce(const QString &path, const Services &services)
{
    frmViewer *window = frmViewer::open(path, {services.settings, services.clock}, nullptr);
    if (!window)
        return false;
    QApplication::processEvents(); // the first painting
    delete window;
    return true;
}

void readList(benchmark::State &state)
{
    const QString path = savedList(static_cast<int>(state.range(0)));
    Services services;
    for (auto _ : state)
        if (!readOnce(path, static_cast<int>(state.range(0)), services))
            state.SkipWithError("the list was not read whole");
    state.SetComplexityN(state.range(0));
}

void openWindow(benchmark::State &state)
{
    const QString path = savedList(static_cast<int>(state.range(0)));
    Services services;
    for (auto _ : state) {
        if (!openOnce(path, services)) {
            state.SkipWithError("the list was refused");
            break;
        }
    }
    state.SetComplexityN(state.range(0));
}

// Runs `step` as the case's iterations and gives the process's peak memory
// during them, and its rise above the size before; a peak past the bound
// fails the case.
template<typename Step> void measurePeak(benchmark::State &state, Step step)
{
    const long idleKb = statusKb("VmRSS:");
    if (!resetPeakMemory()) {
        state.SkipWithError("the peak memory cannot be measured here");
        return;
    }
    for (auto _ : state) {
        if (!step()) {
            state.SkipWithError("the list was not read whole");
            return;
        }
    }
    const long peakKb = statusKb("VmHWM:");
    state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024.0;
    state.counters["rise_MB"] = static_cast<double>(peakKb - idleKb) / 1024.0;
    if (peakKb > PeakBoundKb) {
        const std::string said = "the peak memory, " + std::to_string(peakKb / 1024) +
                                 " MB, is past its bound of " + std::to_string(PeakBoundKb / 1024) +
                                 " MB (" + std::to_string((peakKb - idleKb) / 1024) +
                                 " MB above the size before)";
        state.SkipWithError(said.c_str());
    }
}

void readMillion(benchmark::State &state)
{
    const QString path = savedList(MillionRecords);
    Services services;
    measurePeak(state, [&] { return readOnce(path, MillionRecords, services); });
}

void openMillion(benchmark::State &state)
{
    const QString path = savedList(MillionRecords);
    Services services;
    measurePeak(state, [&] { return openOnce(path, services); });
}

} // namespace

// The million-record cases first, so that no earlier case's memory is in their peak.
BENCHMARK(readMillion)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(openMillion)->Iterations(2)->Unit(benchmark::kMillisecond);
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
