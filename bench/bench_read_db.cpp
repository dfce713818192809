// Loading a long working list, reading a whole saved list, and the cost of one
// reading written to disk.
#include "LongListRecords.h"
#include "RecordLine.h"
#include "SavedList.h"
#include "WorkingListFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int ListRecords = 100'000;

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// TESK_BENCH_LIST names a file to keep the generated list in, for comparing with wc -l.
QString longList()
{
    static const QString path = [] {
        QString name = qEnvironmentVariable("TESK_BENCH_LIST");
        if (name.isEmpty())
            name = folder().filePath(QStringLiteral("long.lst"));
        WorkingListFile list(name);
        list.OpenNewTempFile({QStringLiteral("Department: "), QStringLiteral("Date: 2024-05-01"),
                              QStringLiteral("Instrument Type: "),
                              QStringLiteral("Survey location: "), QStringLiteral("Surveyor: ")});
        list.close();
        QFile file(name);
        file.open(QIODevice::Append);
        for (int n = 0; n < ListRecords; ++n)
            file.write(WorkingListFile::quoted(longListRecordText(n)));
        return name;
    }();
    return path;
}

void BM_ReadDb100k(benchmark::State &state)
{
    WorkingListFile list(longList());
    for (auto _ : state) {
        list.ReadDb();
        benchmark::DoNotOptimize(list.TotalRecords());
    }
    if (list.TotalRecords() != ListRecords)
        state.SkipWithError("wrong record count");
    state.SetBytesProcessed(state.iterations() * QFile(list.path()).size());
}
BENCHMARK(BM_ReadDb100k)->Unit(benchmark::kMillisecond);

// The whole list with every record's fields, as the report and the viewer read it.
void BM_SavedList100k(benchmark::State &state)
{
    const QString path = longList();
    for (auto _ : state) {
        const SavedList list = SavedList::read(path);
        if (list.records.size() != ListRecords || list.header.size() != 6)
            state.SkipWithError("wrong record count");
        benchmark::DoNotOptimize(list.records.back().value);
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_SavedList100k)->Unit(benchmark::kMillisecond);

void BM_AppendRecordWithFlush(benchmark::State &state)
{
    WorkingListFile list(folder().filePath(QStringLiteral("append.lst")));
    list.OpenNewTempFile({});
    const QString line = longListRecordText(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(list.appendRecord(line));
}
BENCHMARK(BM_AppendRecordWithFlush)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
