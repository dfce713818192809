#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

// The communication trace: the lines of commands sent and bytes received,
// collected from start-up whether or not the trace window has been opened,
// and the link's error counters it shows.
class TraceLog : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    const QStringList &lines() const { return m_lines; }
    void addLine(const QString &line);
    void clear();

    // The senders of "Send ", "Part " and "All " lines trace only while the
    // window is shown; "Part " lines also need "Show All".
    bool isShown() const { return m_shown; }
    void setShown(bool shown) { m_shown = shown; }
    bool showAll() const { return m_showAll; }
    void setShowAll(bool showAll) { m_showAll = showAll; }

    qint16 errorCount() const { return m_errorCount; }
    qint16 totalErrors() const { return m_totalErrors; }
    void setCounters(qint16 errorCount, qint16 totalErrors);

    // Writes the trace file: a first record with the date and time and
    // "Tesk 1.05 debug", then one quoted record per line, CR LF after each.
    // Returns an empty text, or what went wrong in words a user can act on.
    QString save(const QString &path, const QDateTime &now) const;

signals:
    void lineAdded(const QString &line);
    void cleared();
    void countersChanged(qint16 errorCount, qint16 totalErrors);

private:
    QStringList m_lines;
    bool m_shown = false;
    bool m_showAll = false;
    qint16 m_errorCount = 0;
    qint16 m_totalErrors = 0;
};
