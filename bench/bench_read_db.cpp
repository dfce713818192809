// Loading a long working list, and the cost of one reading written to disk.
#include "DateTimeText.h"
#include "RecordLine.h"
#include "WorkingListFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int ListRecords = 100'000;

QString recordText(int n)
{
    MeasurementRecord r;
    r.InstNum = QStringLiteral("12345678901");
    r.time = DateTimeText::format(
        DateTimeText::wallClock(QDate(2024, 5, 1), QTime(0, 0)).addSecs(5LL * n + 1));
    r.vl = QString::number(n % 1000) + QStringLiteral(".25");
    r.Units = QStringLiteral("uSv/h");
    r.Detector = QStringLiteral("GM");
    r.ErrorSn = QStringLiteral(" ");
    return RecordLine::format(r);
}

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
            file.write(WorkingListFile::quoted(recordText(n)));
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

void BM_AppendRecordWithFlush(benchmark::State &state)
{
    WorkingListFile list(folder().filePath(QStringLiteral("append.lst")));
    list.OpenNewTempFile({});
    const QString line = recordText(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(list.appendRecord(line));
}
BENCHMARK(BM_AppendRecordWithFlush)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
