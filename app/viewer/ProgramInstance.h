#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

#include <sys/types.h>

class QLocalServer;
class QLocalSocket;

// The one running program of a user: it listens on a local socket, and a
// program started later hands its saved lists over (or asks for the main
// window) and ends, so that the meter's port is never opened twice. Every
// settings file and program folder has its own socket, so a program run with
// other ones (a test's) never reaches the user's. Both ends drop a peer that
// runs as another user.
class ProgramInstance : public QObject
{
    Q_OBJECT

public:
    // Longest path and most paths one program hands over.
    static constexpr int MaxPathBytes = 4096;
    static constexpr int MaxPaths = 64;
    static constexpr int AnswerTimeoutMs = 10000;
    // A program that connects and says nothing for this long is dropped.
    static constexpr int ReadTimeoutMs = 3000;

    explicit ProgramInstance(const QString &socketName, QObject *parent = nullptr);
    ~ProgramInstance() override;

    struct Place
    {
        QString socketName; // empty when no private folder could be had
        QString problem;    // then why
    };
    // The socket for the settings file and the program folder, in a folder
    // of the user's own (PrivateFolder).
    static Place placeFor(const QString &settingsPath, const QString &programFolder);

    // The words of the command line that name files, made absolute.
    static QStringList filesIn(const QStringList &words);

    // The user id of the program at the other end of a connected local
    // socket, when the system tells it.
    static std::optional<uid_t> peerUserId(qintptr descriptor);
    // Only a program of the same user is talked to.
    static bool isOwnUser(qintptr descriptor);

    enum class HandOver { NoneRunning, Handed, NoAnswer, Stranger };
    // Hands `files` to a running program; no files ask it for its main
    // window. NoneRunning when none listens; NoAnswer when one took the
    // connection but did not confirm; Stranger when another user listens.
    HandOver handOver(const QStringList &files) const;

    enum class Outcome { Listening, Handed, NoAnswer, Alone };
    // Hands `files` over as handOver() does, or, when no program runs, listens
    // itself; of programs started at the same instant exactly one listens.
    // Alone (with the reason in error()) when neither can be done.
    Outcome start(const QStringList &files);

    // Starts listening, replacing a socket file left by a program that ended
    // without closing it; false (with the reason in error()) when that fails
    // or another program already listens.
    bool listen();
    QString error() const { return m_error; }
    const QString &socketName() const { return m_name; }

signals:
    // A program started later asked to show this saved list.
    void fileRequested(const QString &path);
    // A program started later without a list asked for the main window.
    void mainWindowRequested();

private:
    enum class Listen { Listening, Taken, Failed };
    Listen listenGuarded();
    void accept();
    void serve(QLocalSocket *socket);

    QString m_name;
    QLocalServer *m_server = nullptr;
    QString m_error;
};
