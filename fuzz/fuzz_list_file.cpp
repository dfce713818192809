// Arbitrary bytes as the working list: loading never fails, the counters agree
// with each other, the saved-list reader takes the same records and skips the
// same lines, and a reading appended afterwards is one more record, whatever
// the damage before it. The list is read from memory by the loader the program
// runs on the file, so each input costs no disk I/O.
#include "ListEncoding.h"
#include "RecordLine.h"
#include "SavedList.h"
#include "WorkingListFile.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

WorkingListFile::LoadResult load(WorkingListFile &list, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return list.loadList(buffer);
}

// The saved-list reader of the same bytes, and whether it read them as UTF-8
// (whose characters stand at other places than Latin-1's).
SavedList readSaved(const QByteArray &bytes, bool &utf8)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    utf8 = ListEncoding::isUtf8(buffer);
    return SavedList::read(buffer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Never opened: the loader reads only what it is given.
    static WorkingListFile list(QStringLiteral("/nonexistent/TeskTemp.lst"));
    static const QByteArray appended = WorkingListFile::quoted(RecordLine::format([] {
        MeasurementRecord r;
        r.InstNum = QStringLiteral("12345678901");
        r.time = QStringLiteral("2024-05-01 10:11:12");
        r.vl = QStringLiteral("1.25");
        r.Units = QStringLiteral("uSv/h");
        return r;
    }()));

    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const WorkingListFile::LoadResult result = load(list, bytes);
    const qint32 total = list.TotalRecords();
    const qint32 last = list.LastRecIndex();
    if (last < -1 || last > WorkingListFile::LastArrayIndex || total < last + 1 ||
        (last < WorkingListFile::LastArrayIndex && total != last + 1))
        std::abort();
    const qint64 skipped = list.skippedLines();
    if ((result == WorkingListFile::LoadResult::Loaded) != (skipped == 0))
        std::abort();
    bool utf8 = false;
    const SavedList saved = readSaved(bytes, utf8);
    if (!utf8 &&
        (saved.records.size() != static_cast<size_t>(total) || saved.skippedLines != skipped ||
         saved.firstSkippedLine != list.firstSkippedLine()))
        std::abort();

    // What the append channel writes after these bytes.
    const QByteArray longer =
        bytes + WorkingListFile::lineBreakBefore(size > 0 ? bytes.back() : '\n') + appended;
    if (load(list, longer) != result || list.TotalRecords() != total + 1 ||
        list.skippedLines() != skipped)
        std::abort();
    return 0;
}
