#pragma once

#include <QObject>

// One command of tesk-cli, run on the event loop: start() sets it going and
// finished() carries the exit code, once.
class CliCommand : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void start() = 0;

signals:
    void finished(int exitCode);

protected:
    void finish(int exitCode);

private:
    bool m_finished = false;
};
