#include "TraceLog.h"

#include "DateTimeText.h"

#include <QSaveFile>

void TraceLog::addLine(const QString &line)
{
    m_lines.append(line);
    emit lineAdded(line);
}

void TraceLog::clear()
{
    m_lines.clear();
    emit cleared();
}

void TraceLog::setCounters(qint16 errorCount, qint16 totalErrors)
{
    m_errorCount = errorCount;
    m_totalErrors = totalErrors;
    emit countersChanged(errorCount, totalErrors);
}

QString TraceLog::save(const QString &path, const QDateTime &now) const
{
    const QDateTime stamp = DateTimeText::wallClock(now);
    QByteArray text = "#" + stamp.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1() +
                      "#,\"Tesk 1.05 debug\"\r\n";
    for (const QString &line : m_lines)
        text += '"' + line.toLatin1() + "\"\r\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return tr("The file %1 could not be created: %2").arg(path, file.errorString());
    if (file.write(text) != text.size() || !file.flush() || file.size() != text.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return tr("The file %1 could not be written: %2").arg(path, reason);
    }
    if (!file.commit())
        return tr("The file %1 could not be written: %2").arg(path, file.errorString());
    return {};
}
