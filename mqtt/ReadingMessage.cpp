#include "ReadingMessage.h"

#include "AlarmMonitor.h"
#include "MeasurementRecord.h"
#include "NumberText.h"

#include <QLocale>

#include <cmath>
#include <cstdlib>

namespace {

// A JSON string: quotes, backslashes and control characters escaped.
void appendString(QByteArray &json, const QString &text)
{
    json += '"';
    for (const char c : text.toUtf8()) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            json += "\\u00";
            json += "0123456789abcdef"[(c >> 4) & 0xf];
            json += "0123456789abcdef"[c & 0xf];
        } else {
            json += c;
        }
    }
    json += '"';
}

} // namespace

// Written field by field: a reading goes out up to a thousand times a second.
QByteArray ReadingMessage::json(const MeasurementRecord &record, const QDateTime &taken,
                                double warningLevel, double alarmLevel)
{
    const double value = NumberText::leadingNumber(record.vl);
    QByteArray json;
    json.reserve(256);
    json += "{\"instrument\":";
    appendString(json, record.InstNum.trimmed());
    json += ",\"time\":";
    appendString(json, isoTime(taken));
    json += ",\"value\":";
    json += std::isfinite(value) ? QByteArray::number(value, 'g', QLocale::FloatingPointShortest)
                                 : QByteArrayLiteral("null");
    json += ",\"units\":";
    appendString(json, record.Units.trimmed());
    json += ",\"status\":";
    json += QByteArray::number(record.sta);
    json += ",\"status_word\":";
    appendString(json, record.status);
    json += ",\"detector\":";
    appendString(json, record.Detector.trimmed());
    json += ",\"marked\":";
    json += record.ErrorSn == QStringLiteral("*") ? "true" : "false";
    json += ",\"level\":";
    appendString(json, level(record.vl, warningLevel, alarmLevel));
    json += '}';
    return json;
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
    // The zone's offset changes on the hour at most: asked once an hour.
    static QDate offsetDate;
    static int offsetHour = -1;
    static int offsetSeconds = 0;
    if (wallClock.date() != offsetDate || wallClock.time().hour() != offsetHour) {
        offsetDate = wallClock.date();
        offsetHour = wallClock.time().hour();
        offsetSeconds =
            QDateTime(wallClock.date(), wallClock.time(), Qt::LocalTime).offsetFromUtc();
    }
    const int minutes = std::abs(offsetSeconds) / 60;
    return wallClock.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           (offsetSeconds < 0 ? QChar(u'-') : QChar(u'+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QChar(u'0'))
               .arg(minutes % 60, 2, 10, QChar(u'0'));
}
