#include "ReadingMessage.h"

#include "AlarmMonitor.h"
#include "MeasurementRecord.h"
#include "NumberText.h"

#include <QJsonDocument>
#include <QJsonObject>

QByteArray ReadingMessage::json(const MeasurementRecord &record, const QDateTime &taken,
                                double warningLevel, double alarmLevel)
{
    const QJsonObject object{
        {QStringLiteral("instrument"), record.InstNum.trimmed()},
        {QStringLiteral("time"), isoTime(taken)},
        {QStringLiteral("value"), NumberText::leadingNumber(record.vl)},
        {QStringLiteral("units"), record.Units.trimmed()},
        {QStringLiteral("status"), record.sta},
        {QStringLiteral("status_word"), record.status},
        {QStringLiteral("detector"), record.Detector.trimmed()},
        {QStringLiteral("marked"), record.ErrorSn == QStringLiteral("*")},
        {QStringLiteral("level"), level(record.vl, warningLevel, alarmLevel)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString ReadingMessage::level(const QString &vl, double warningLevel, double alarmLevel)
{
    const double value = NumberText::leadingNumber(vl);
    if (value > alarmLevel)
        return QStringLiteral("alarm");
    if (value > warningLevel)
        return QStringLiteral("warning");
    return QStringLiteral("ok");
}

QString ReadingMessage::alarmWord(int alarmLevel)
{
    switch (alarmLevel) {
    case AlarmMonitor::AboveThreshold1:
        return QStringLiteral("warning");
    case AlarmMonitor::AboveThreshold2:
        return QStringLiteral("alarm");
    case AlarmMonitor::LostContact:
        return QStringLiteral("lost contact");
    default:
        return QStringLiteral("ok");
    }
}

QString ReadingMessage::isoTime(const QDateTime &wallClock)
{
    const QDateTime local(wallClock.date(), wallClock.time(), Qt::LocalTime);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}
