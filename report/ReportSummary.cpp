#include "ReportSummary.h"

#include "ListToCells.h"

#include <QHash>
#include <QObject>

namespace {

ReportSummary::ThresholdFigures aboveLevel(const CompactRecords &records, const QString &name,
                                           double level)
{
    ReportSummary::ThresholdFigures figures{name, level, 0, 0, {}, {}};
    qint64 run = 0;
    size_t runStart = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        if (!(records[i].value > level)) {
            run = 0;
            continue;
        }
        ++figures.above;
        if (run++ == 0)
            runStart = i;
        if (run > figures.longestRun) {
            figures.longestRun = run;
            figures.runStart = records[runStart].time;
            figures.runEnd = records[i].time;
        }
    }
    return figures;
}

} // namespace

ReportSummary ReportSummary::of(const CompactRecords &records, std::optional<double> warning,
                                std::optional<double> alarm)
{
    ReportSummary summary;
    summary.records = static_cast<qint64>(records.size());
    QHash<QString, size_t> unitIndex;
    QHash<QString, size_t> statusIndex;
    QHash<QString, size_t> instrumentIndex;
    std::vector<double> sums;
    for (const RecordFields &r : records) {
        if (r.time.isValid()) {
            if (!summary.first.isValid() || r.time < summary.first)
                summary.first = r.time;
            if (!summary.last.isValid() || r.time > summary.last)
                summary.last = r.time;
        }
        auto instrument = instrumentIndex.constFind(r.instrument);
        if (instrument == instrumentIndex.constEnd()) {
            instrument = instrumentIndex.insert(r.instrument, summary.instruments.size());
            summary.instruments.push_back({r.instrument, 0, r.time, r.time});
        }
        InstrumentFigures &used = summary.instruments[*instrument];
        ++used.count;
        if (r.time.isValid()) {
            if (!used.first.isValid() || r.time < used.first)
                used.first = r.time;
            if (!used.last.isValid() || r.time > used.last)
                used.last = r.time;
        }
        auto unit = unitIndex.constFind(r.units);
        if (unit == unitIndex.constEnd()) {
            unit = unitIndex.insert(r.units, summary.units.size());
            summary.units.push_back({r.units, 0, r.value, r.value, 0, r.time});
            sums.push_back(0);
        }
        UnitFigures &figures = summary.units[*unit];
        ++figures.count;
        sums[*unit] += r.value;
        figures.minimum = std::min(figures.minimum, r.value);
        if (r.value > figures.maximum) {
            figures.maximum = r.value;
            figures.maximumTime = r.time;
        }
        const QString word = ListToCells::statusWord(r.status);
        auto status = statusIndex.constFind(word);
        if (status == statusIndex.constEnd()) {
            status = statusIndex.insert(word, summary.statuses.size());
            summary.statuses.push_back({word, 0});
        }
        ++summary.statuses[*status].count;
    }
    for (size_t i = 0; i < summary.units.size(); ++i)
        summary.units[i].mean = sums[i] / static_cast<double>(summary.units[i].count);
    if (warning)
        summary.thresholds.push_back(aboveLevel(records, QObject::tr("Warning"), *warning));
    if (alarm)
        summary.thresholds.push_back(aboveLevel(records, QObject::tr("Alarm"), *alarm));
    return summary;
}

QString ReportSummary::spanText(qint64 seconds)
{
    const qint64 days = seconds / 86400;
    const qint64 rest = seconds % 86400;
    const QString time = QStringLiteral("%1:%2:%3")
                             .arg(rest / 3600, 2, 10, QChar(u'0'))
                             .arg(rest / 60 % 60, 2, 10, QChar(u'0'))
                             .arg(rest % 60, 2, 10, QChar(u'0'));
    return days > 0 ? QStringLiteral("%1 d %2").arg(days).arg(time) : time;
}
