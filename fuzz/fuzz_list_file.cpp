// Arbitrary bytes as the working list file: loading never fails, the counters
// agree with each other, and a reading appended afterwards is one more record.
#include "RecordLine.h"
#include "WorkingListFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TeskTemp.lst"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    WorkingListFile list(path);
    const WorkingListFile::LoadResult result = list.ReadDb();
    const qint32 total = list.TotalRecords();
    const qint32 last = list.LastRecIndex();
    if (last < -1 || last > WorkingListFile::LastArrayIndex || total < last + 1 ||
        (last < WorkingListFile::LastArrayIndex && total != last + 1))
        std::abort();
    if (result != WorkingListFile::LoadResult::Loaded)
        return 0;

    MeasurementRecord r;
    r.InstNum = QStringLiteral("12345678901");
    r.time = QStringLiteral("2024-05-01 10:11:12");
    r.vl = QStringLiteral("1.25");
    r.Units = QStringLiteral("uSv/h");
    if (!list.appendRecord(RecordLine::format(r)))
        std::abort();
    if (list.ReadDb() != WorkingListFile::LoadResult::Loaded || list.TotalRecords() != total + 1)
        std::abort();
    return 0;
}
