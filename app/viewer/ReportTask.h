#pragma once

#include "SurveyReport.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

class QThread;

// A report written on a thread of its own, so that the window stays live. It
// can be cancelled until the file is put in place, and then leaves none.
class ReportTask : public QObject
{
    Q_OBJECT

public:
    // Writes the report, asking `progress` now and then whether to go on;
    // returns what write() returns.
    using Work = std::function<QString(const SurveyReport::Progress &progress)>;

    explicit ReportTask(Work work, QObject *parent = nullptr);
    // Cancels the work and waits for its thread.
    ~ReportTask() override;

    void start();
    void cancel() { m_cancelled = true; }
    bool wasCancelled() const { return m_cancelled; }

signals:
    // The share written, in percent, each time it grows.
    void progressed(int percent);
    // The work ended: empty when the report was written, else why not.
    void finished(const QString &problem);

private:
    Work m_work;
    std::atomic<bool> m_cancelled{false};
    int m_percent = -1; // touched by the work's thread only
    QString m_problem;  // read once the thread has finished
    QThread *m_thread = nullptr;
};
