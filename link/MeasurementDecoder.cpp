#include "MeasurementDecoder.h"

#include "DateTimeText.h"
#include "NumberText.h"
#include "SerialDate.h"

#include <cmath>

namespace {

quint8 byteAt(QByteArrayView message, qsizetype index)
{
    return index < message.size() ? static_cast<quint8>(message[index]) : 0;
}

// The digit in one character of a text; a blank or a missing character is 0.
int digitAt(const QString &text, qsizetype index)
{
    return index < text.size() ? static_cast<int>(NumberText::leadingNumber(text.mid(index, 1)))
                               : 0;
}

} // namespace

MeasurementRecord MeasurementDecoder::GetDataFromMess(QByteArrayView message, bool downloading,
                                                      const QDateTime &now)
{
    MeasurementRecord r;
    QByteArray number(11, '\0');
    for (qsizetype i = 0; i < 11; ++i)
        number[i] = static_cast<char>(byteAt(message, i + 1));
    r.InstNum = QString::fromLatin1(number);
    r.time = DateTimeText::format(downloading ? meterTime(message) : now);
    r.vl = NumberText::fixedTwoDecimals(
        value(static_cast<quint16>(byteAt(message, 19) * 256 + byteAt(message, 20))));
    r.Units = units(byteAt(message, 21));
    const quint8 statusByte = byteAt(message, 23);
    r.ErrorSn = (statusByte & 12) != 0 ? QStringLiteral("*") : QStringLiteral(" ");
    r.Detector = detector(byteAt(message, 22));
    r.sta = statusByte;
    r.status = status(statusByte);
    return r;
}

QDateTime MeasurementDecoder::meterTime(QByteArrayView message)
{
    const int year = byteAt(message, 15) * 100 + byteAt(message, 16);
    const int month = byteAt(message, 13);
    const int day = byteAt(message, 14);
    const int hour = byteAt(message, 17);
    const int minute = byteAt(message, 18);
    // Roll months into years first, so that month 0 is December of the year before.
    const int monthsFromYearZero = year * 12 + month - 1;
    const int rolledYear = monthsFromYearZero >= 0 ? monthsFromYearZero / 12 : -1;
    if (rolledYear < DateTimeText::FirstYear || rolledYear > DateTimeText::LastYear)
        return DateTimeText::wallClock(SerialDate::dayZero(), QTime(0, 0));
    const QDate firstOfMonth(rolledYear, monthsFromYearZero % 12 + 1, 1);
    const QDateTime stamp = DateTimeText::wallClock(firstOfMonth.addDays(day - 1), QTime(0, 0))
                                .addSecs(hour * 3600 + minute * 60);
    if (!DateTimeText::inRange(stamp.date()))
        return DateTimeText::wallClock(SerialDate::dayZero(), QTime(0, 0));
    return stamp;
}

double MeasurementDecoder::value(quint16 code)
{
    // The last five characters of the number text: " 1234" keeps its blank,
    // so codes below 10000 read a first digit of 0.
    const QString text = NumberText::display(code).right(5);
    const int first = digitAt(text, 0);
    const int exponent = digitAt(text, 1);
    const double mantissa = NumberText::leadingNumber(text.mid(2, 3));
    const double scale = std::pow(10.0, exponent);
    return first == 5 ? mantissa * scale : mantissa / scale;
}

QString MeasurementDecoder::units(quint8 code)
{
    static const std::pair<quint8, const char *> table[] = {
        {1, "mR/h"}, {2, "mR"},    {4, "uSv/h"},   {8, "uSv"}, {32, "dpm"},
        {64, "cpm"}, {128, "cps"}, {192, "count"}, {96, "Bq"}, {224, "uCi"},
    };
    const quint8 base = code & 239;
    for (const auto &[key, name] : table) {
        if (key == base)
            return (code & 16 ? QStringLiteral("f") : QString()) + QLatin1String(name);
    }
    return NumberText::display(code);
}

QString MeasurementDecoder::detector(quint8 code)
{
    static const char *const names[] = {"Internal", "VX31A", "QB700", "ZK40", "ZK41", "HT50",
                                        "HT80",     "HT81",  "HT82",  "Sx",   "VX31X"};
    if (code < std::size(names))
        return QLatin1String(names[code]);
    if (code == 254)
        return QStringLiteral("Farprobe");
    if (code == 255)
        return QStringLiteral("PELLOR");
    return NumberText::display(code);
}

QString MeasurementDecoder::status(quint8 code)
{
    if (code >= 32)
        return QStringLiteral("OvrFlwDose");
    if (code >= 16)
        return QStringLiteral("OvrFlwRate");
    if (code >= 8)
        return QStringLiteral("OvrThrRate");
    if (code >= 4)
        return QStringLiteral("OvrThrDose");
    if (code >= 2)
        return QStringLiteral("DetFail");
    if (code == 1)
        return QStringLiteral("LowBat");
    return QStringLiteral("ok");
}

bool MeasurementDecoder::isEndOfData(QByteArrayView message)
{
    return message.size() > 1 && message[1] == EndOfDataMark;
}
