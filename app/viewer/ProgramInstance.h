#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// The one running program of a user: it listens on a local socket, and a
// program started later to show saved lists hands their paths over and ends,
// instead of opening the meter's port a second time. Every settings file and
// program folder has its own socket, so a program run with other ones (a
// test's) never reaches the user's.
class ProgramInstance : public QObject
{
    Q_OBJECT

public:
    // Longest path and most paths one program hands over.
    static constexpr int MaxPathBytes = 4096;
    static constexpr int MaxPaths = 64;
    static constexpr int AnswerTimeoutMs = 10000;

    explicit ProgramInstance(const QString &socketName, QObject *parent = nullptr);
    ~ProgramInstance() override;

    // The socket's full path for the user, the settings file and the program
    // folder: in the user's private runtime folder.
    static QString socketNameFor(const QString &settingsPath, const QString &programFolder);

    // The words of the command line that name files, made absolute.
    static QStringList filesIn(const QStringList &words);

    enum class HandOver { NoneRunning, Handed, NoAnswer };
    // Hands `files` to a running program. NoneRunning when none listens;
    // NoAnswer when one took the connection but did not confirm.
    HandOver handOver(const QStringList &files) const;

    // Starts listening, replacing a socket file left by a program that ended
    // without closing it; false (with the reason in error()) when that fails
    // or another program already listens.
    bool listen();
    QString error() const { return m_error; }
    const QString &socketName() const { return m_name; }

signals:
    // A program started later asked to show this saved list.
    void fileRequested(const QString &path);

private:
    void accept();

    QString m_name;
    QLocalServer *m_server = nullptr;
    QString m_error;
};
