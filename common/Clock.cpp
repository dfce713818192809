#include "Clock.h"

#include "DateTimeText.h"

QDateTime SystemClock::now() const
{
    return DateTimeText::wallClock(QDateTime::currentDateTime());
}
