#pragma once

#include <QString>
#include <QStringList>

// The bad and missing replies of one download. The request that follows each
// may bring the next record rather than the one that went astray (the meter
// cannot tell which it should send), so each may have cost the list a record:
// the user is told how many, and the trace where.
class DownloadFaults
{
public:
    void clear() { m_lines.clear(); }

    // Notes a bad reply, or a missing one, that came after `storedRecords`
    // records of the download were stored; returns the line for the trace.
    QString note(bool missing, int storedRecords);

    qsizetype count() const { return m_lines.size(); }
    // One line per reply noted, in order.
    const QStringList &lines() const { return m_lines; }
    // How many replies were bad or missing and what that may have cost; empty
    // when none was.
    QString summary() const;

private:
    QStringList m_lines;
};
