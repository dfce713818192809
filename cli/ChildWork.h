#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Runs a piece of work that cannot stop part way (the workbook export) in a
// child process, and waits for its answer or for an interrupt: an interrupt
// ends the child at once, so nothing it would still write appears later.
class ChildWork
{
public:
    enum class Outcome { Done, Interrupted, Failed };

    struct Result
    {
        Outcome outcome = Outcome::Failed;
        QByteArray answer; // what the work returned (Done)
        QString failure;   // why there is no answer (Failed)
    };

    // `interruptFd` becomes readable on an interrupt (-1: none is watched);
    // what is waiting there is read. The child ends with this process.
    static Result run(const std::function<QByteArray()> &work, int interruptFd);
};
