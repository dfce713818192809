#include "ReportContext.h"

#include "Clock.h"
#include "ProfileFile.h"

#include <QObject>

#ifndef TESK_REPORT_VERSION
#define TESK_REPORT_VERSION "0"
#endif

namespace {

QString days(qint64 count)
{
    return count == 1 ? QObject::tr("1 day") : QObject::tr("%1 days").arg(count);
}

QString iso(const QDate &date)
{
    return date.toString(Qt::ISODate);
}

} // namespace

ReportContext ReportContext::fromSettings(const ProfileFile &settings, const Clock &clock,
                                          const QString &listPath)
{
    ReportContext context;
    // The defaults are the alarms' own, so the report shows the levels the
    // readings were checked against.
    double warning = 0.2;
    double alarm = 5;
    settings.readNumber(QStringLiteral("Threshold1"), QStringLiteral("0.2"), 10, warning);
    settings.readNumber(QStringLiteral("Threshold2"), QStringLiteral("5"), 10, alarm);
    context.warning = warning;
    context.alarm = alarm;
    context.calibration = [settings](const QString &instrument) {
        return CalibrationDue::kept(settings, instrument);
    };
    context.madeAt = clock.now();
    context.today = context.madeAt.date();
    context.listPath = listPath;
    context.program = QStringLiteral("TESK Meter View ") + QStringLiteral(TESK_REPORT_VERSION);
    return context;
}

QString ReportContext::stateAtSurvey(const std::optional<QDate> &due, const QDate &first,
                                     const QDate &last)
{
    if (!due)
        return {};
    // A reading taken on the due day is still in calibration.
    if (!last.isValid() || *due >= last)
        return QObject::tr("in calibration at the survey (due %1)").arg(iso(*due));
    if (*due < first)
        return QObject::tr("out of calibration at the survey: due %1, %2 before its first reading")
            .arg(iso(*due), days(due->daysTo(first)));
    return QObject::tr("out of calibration for part of the survey: due %1, %2 before its last "
                       "reading")
        .arg(iso(*due), days(due->daysTo(last)));
}

QString ReportContext::stateToday(const std::optional<QDate> &due, const QDate &last) const
{
    if (!due || !today.isValid())
        return {};
    const qint64 left = today.daysTo(*due);
    // Out of calibration at the survey stays so; only a lapse since is news.
    if (left >= 0 || (last.isValid() && *due < last))
        return {};
    return QObject::tr("today: overdue by %1").arg(days(-left));
}
