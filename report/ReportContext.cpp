#include "ReportContext.h"

#include "CalibrationDue.h"
#include "Clock.h"
#include "ProfileFile.h"

#include <QObject>

ReportContext ReportContext::fromSettings(const ProfileFile &settings, const Clock &clock)
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
    context.calibrationDue = [settings](const QString &instrument) {
        return CalibrationDue::keptDue(settings, instrument);
    };
    context.today = clock.now().date();
    return context;
}

QString ReportContext::calibrationState(const QString &instrument) const
{
    const std::optional<QDate> due = calibrationDue(instrument);
    if (!due)
        return {};
    if (!today.isValid())
        return QObject::tr("due %1").arg(due->toString(Qt::ISODate));
    const qint64 left = today.daysTo(*due);
    if (left < 0)
        return left == -1 ? QObject::tr("overdue by 1 day")
                          : QObject::tr("overdue by %1 days").arg(-left);
    if (left == 0)
        return QObject::tr("due today");
    return QObject::tr("due %1").arg(due->toString(Qt::ISODate));
}
