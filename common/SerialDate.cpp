#include "SerialDate.h"

#include "DateTimeText.h"

#include <cmath>

namespace {
constexpr qint64 MillisecondsPerDay = 86'400'000;
}

double SerialDate::fromDateTime(const QDateTime &dateTime)
{
    const auto day = static_cast<double>(dayZero().daysTo(dateTime.date()));
    const double fraction =
        static_cast<double>(dateTime.time().msecsSinceStartOfDay()) / MillisecondsPerDay;
    // Before day 0 the fraction still counts forward, so it moves away from zero.
    return day < 0 && fraction > 0 ? day - fraction : day + fraction;
}

QDateTime SerialDate::toDateTime(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return {};
    double whole = std::trunc(days);
    auto milliseconds =
        static_cast<qint64>(std::llround(std::fabs(days - whole) * MillisecondsPerDay));
    if (milliseconds >= MillisecondsPerDay) {
        milliseconds -= MillisecondsPerDay;
        whole += days < 0 ? -1 : 1;
    }
    const QDate date = dayZero().addDays(static_cast<qint64>(whole));
    if (!DateTimeText::inRange(date))
        return {};
    return DateTimeText::wallClock(date,
                                   QTime::fromMSecsSinceStartOfDay(static_cast<int>(milliseconds)));
}
