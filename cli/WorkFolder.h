#pragma once

#include <QString>
#include <QTemporaryDir>

// A hidden folder beside a file being made, for the work files that make it;
// removed with this object. While it lives, a lock file inside it is held
// locked (flock), so that removeStale() on a later run, on this computer or
// another one sharing the folder, knows a folder that a killed run left
// behind from one that is still in use.
class WorkFolder
{
public:
    explicit WorkFolder(const QString &folder);
    ~WorkFolder();
    WorkFolder(const WorkFolder &) = delete;
    WorkFolder &operator=(const WorkFolder &) = delete;

    bool isValid() const { return m_dir.isValid() && m_lock >= 0; }
    QString errorString() const;
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Removes the work folders in `folder` whose lock can be taken (their
    // run has ended); returns how many were removed.
    static int removeStale(const QString &folder);

private:
    QTemporaryDir m_dir;
    int m_lock = -1;
    QString m_lockError;
};
