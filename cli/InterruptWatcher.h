#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM (Ctrl+C, kill) into a signal on the event loop:
// the handler only writes a byte to a pipe, and the loop reads it, so the
// meter can be told to stop and the list closed before the program ends.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject *parent = nullptr);
    ~InterruptWatcher() override;

    bool isWatching() const { return m_notifier != nullptr; }

    // Readable once an interrupt arrived, for work that waits outside the
    // event loop (and then reads it); -1 when no watcher is set up.
    static int descriptor();

signals:
    void interrupted();

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
};
