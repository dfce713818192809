#include "DownloadFaults.h"

QString DownloadFaults::note(bool missing, int storedRecords)
{
    const QString reply = missing ? QStringLiteral("No reply") : QStringLiteral("A bad reply");
    const QString line =
        storedRecords == 0
            ? QStringLiteral("%1 in the download, before its first record").arg(reply)
            : QStringLiteral("%1 in the download, after its record %2")
                  .arg(reply)
                  .arg(storedRecords);
    m_lines.append(line);
    return line;
}

QString DownloadFaults::summary() const
{
    if (m_lines.isEmpty())
        return {};
    if (m_lines.size() == 1)
        return QStringLiteral("1 reply from the instrument was bad or missing, so 1 record may be "
                              "missing from the list");
    return QStringLiteral("%1 replies from the instrument were bad or missing, so as many records "
                          "may be missing from the list")
        .arg(m_lines.size());
}
