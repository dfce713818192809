#pragma once

#include "DateTimeText.h"
#include "MeasurementRecord.h"
#include "RecordLine.h"

#include <QString>

// The record line of the n-th reading of a long list, five seconds apart.
inline QString longListRecordText(int n)
{
    MeasurementRecord r;
    r.InstNum = QStringLiteral("12345678901");
    r.time = DateTimeText::format(
        DateTimeText::wallClock(QDate(2024, 5, 1), QTime(0, 0)).addSecs(5LL * n + 1));
    r.vl = QString::number(n % 1000) + QStringLiteral(".25");
    r.Units = QStringLiteral("uSv/h");
    r.Detector = QStringLiteral("GM");
    r.ErrorSn = QStringLiteral(" ");
    return RecordLine::format(r);
}
