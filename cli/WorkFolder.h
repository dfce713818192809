#pragma once

#include <QString>
#include <QTemporaryDir>

// A hidden folder beside a file being made, for the work files that make it;
// removed with this object. Its name carries the host and the process, so
// that removeStale() on a later run knows a folder that a killed run left
// behind.
class WorkFolder
{
public:
    explicit WorkFolder(const QString &folder);

    bool isValid() const { return m_dir.isValid(); }
    QString errorString() const { return m_dir.errorString(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Removes the work folders in `folder` whose process no longer runs on
    // this host; returns how many were removed.
    static int removeStale(const QString &folder);

private:
    QTemporaryDir m_dir;
};
