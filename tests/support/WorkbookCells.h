#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

// Workbooks read back by an independent reader: python3-openpyxl, one of the
// test packages, through tests/export/workbook_cells.py.
namespace WorkbookCells {

// Debian's python3, which has the packaged openpyxl, before any other on the PATH.
inline QString python()
{
    return QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                             : QStringLiteral("python3");
}

// Runs the reader script with `arguments`; true when it succeeded, its output in `output`.
inline bool run(const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.start(python(),
                  QStringList{QStringLiteral(TESK_TESTS_DIR "/export/workbook_cells.py")} +
                      arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning("%s", process.readAllStandardError().constData());
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

// The cells of the workbook at `path` as JSON text; empty when it cannot be read.
inline QByteArray readText(const QString &path)
{
    QByteArray cells;
    run({QStringLiteral("read"), path}, &cells);
    return cells;
}

inline QJsonObject read(const QString &path)
{
    return QJsonDocument::fromJson(readText(path)).object();
}

} // namespace WorkbookCells
