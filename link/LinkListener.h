#pragma once

#include <QByteArray>

struct CalibrationRecord;
struct UnexpectedFailure;

// What the live link tells the main window. Called directly from the receive
// and timer handlers, so a failure thrown here is caught by the receive loop
// and reported like any other failure in the receive path.
class LinkListener
{
public:
    virtual ~LinkListener() = default;

    // The lamp turned green: the data commands may be enabled.
    virtual void linkWentUp() = 0;
    // The lamp turned red: the data commands must be disabled.
    virtual void linkWentLost() = 0;
    // A reading answered a test or re-poll: online collection is stopped.
    virtual void testAnswered() = 0;
    // A reading to list (online, or a downloaded record or the end-of-data mark).
    virtual void measurementReceived(const QByteArray &message) = 0;
    virtual void calibrationReceived(const CalibrationRecord &record) = 0;
    // Four replies in a row were missing while the link was up.
    virtual void notResponding() = 0;
    // Bad replies in a row ended a download before the end-of-data mark.
    virtual void downloadStopped() = 0;
    // A reply of the running download was bad, or none came in time (missing);
    // the next request goes out all the same.
    virtual void downloadReplyFailed(bool missing) = 0;
    // A re-poll is about to go out; a port that was lost may be reopened first.
    virtual void repollDue() = 0;
    virtual void unexpectedFailure(const UnexpectedFailure &failure) = 0;
};
