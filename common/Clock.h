#pragma once

#include <QDateTime>

// The computer's clock, as a wall-clock date-time. Tests give their own.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override;
};
