#pragma once

#include "Clock.h"
#include "DateTimeText.h"

// A clock that shows what the test sets.
class FixedClock : public Clock
{
public:
    QDateTime time = DateTimeText::wallClock(QDate(2026, 12, 5), QTime(9, 30, 7));

    QDateTime now() const override { return time; }
};
