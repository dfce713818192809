#include "ReportTask.h"

#include <QThread>

ReportTask::ReportTask(Work work, QObject *parent) : QObject(parent), m_work(std::move(work)) {}

ReportTask::~ReportTask()
{
    if (m_thread) {
        m_cancelled = true;
        m_thread->wait();
        delete m_thread;
    }
}

void ReportTask::start()
{
    if (m_thread)
        return;
    m_thread = QThread::create([this] {
        m_problem = m_work([this](double done) {
            const int percent = static_cast<int>(done * 100);
            if (percent > m_percent) {
                m_percent = percent;
                emit progressed(percent); // queued to the window's thread
            }
            return !m_cancelled;
        });
    });
    connect(m_thread, &QThread::finished, this, [this] { emit finished(m_problem); });
    m_thread->start();
}
