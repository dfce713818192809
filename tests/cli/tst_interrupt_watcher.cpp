#include "InterruptWatcher.h"

#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <csignal>

class InterruptWatcherTest : public QObject
{
    Q_OBJECT

private slots:
    // A loop that waits for EINTR must see it, even once the handler's pipe
    // is full and its own write fails.
    void theInterruptedCodeKeepsItsErrnoWhenThePipeIsFull()
    {
        InterruptWatcher watcher;
        QVERIFY(watcher.isWatching());
        for (int i = 0; i < 70000; ++i) // more bytes than a pipe holds
            std::raise(SIGINT);
        errno = EINTR;
        std::raise(SIGINT);
        QCOMPARE(errno, EINTR);
        QSignalSpy interrupted(&watcher, &InterruptWatcher::interrupted);
        QVERIFY(interrupted.wait(5000));
    }
};

QTEST_GUILESS_MAIN(InterruptWatcherTest)
#include "tst_interrupt_watcher.moc"
