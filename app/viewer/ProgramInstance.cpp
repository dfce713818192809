#include "ProgramInstance.h"

#include "PrivateFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <memory>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int ConnectTimeoutMs = 1000;
// Programs started together wait this long for one another's first steps.
constexpr int LockTimeoutMs = 30000;
const QByteArray Confirmed = QByteArrayLiteral("ok\n");
// Not a path: a program started without lists asks for the main window.
const QByteArray MainWindowLine = QByteArrayLiteral("main-window");

} // namespace

ProgramInstance::ProgramInstance(const QString &socketName, QObject *parent)
    : QObject(parent), m_name(socketName)
{}

ProgramInstance::~ProgramInstance() = default;

ProgramInstance::Place ProgramInstance::placeFor(const QString &settingsPath,
                                                 const QString &programFolder)
{
    const PrivateFolder::Choice folder = PrivateFolder::choose();
    if (folder.path.isEmpty())
        return {{}, folder.problem};
    const QByteArray place =
        QDir::cleanPath(settingsPath).toUtf8() + '\n' + QDir::cleanPath(programFolder).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(place, QCryptographicHash::Sha1).toHex();
    return {folder.path + QStringLiteral("/tesk-") + QLatin1String(hash.left(12)), {}};
}

QStringList ProgramInstance::filesIn(const QStringList &words)
{
    QStringList files;
    for (const QString &word : words) {
        if (!word.isEmpty() && !word.startsWith(u'-') && word != QStringLiteral("dbg"))
            files.append(QFileInfo(word).absoluteFilePath());
    }
    return files;
}

std::optional<uid_t> ProgramInstance::peerUserId(qintptr descriptor)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (descriptor < 0 ||
        ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) !=
            0 ||
        size != sizeof credentials)
        return std::nullopt;
    return credentials.uid;
}

bool ProgramInstance::isOwnUser(qintptr descriptor)
{
    return peerUserId(descriptor) == ::geteuid();
}

ProgramInstance::HandOver ProgramInstance::handOver(const QStringList &files) const
{
    if (m_name.isEmpty())
        return HandOver::NoneRunning;
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return HandOver::NoneRunning;
    if (!isOwnUser(socket.socketDescriptor()))
        return HandOver::Stranger;
    QByteArray message;
    for (const QString &file : files)
        message += file.toUtf8() + '\n';
    if (files.isEmpty())
        message += MainWindowLine + '\n';
    message += '\n';
    socket.write(message);
    if (!socket.waitForBytesWritten(AnswerTimeoutMs))
        return HandOver::NoAnswer;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(AnswerTimeoutMs))
            return HandOver::NoAnswer;
    }
    return socket.readLine() == Confirmed ? HandOver::Handed : HandOver::NoAnswer;
}

ProgramInstance::Outcome ProgramInstance::start(const QStringList &files)
{
    if (m_name.isEmpty()) {
        m_error = tr("There is no socket to hand lists over on.");
        return Outcome::Alone;
    }
    // A program that found none listening may lose the race to listen to one
    // started at the same instant: it then hands over to that one.
    for (int attempt = 0; attempt < 3; ++attempt) {
        switch (handOver(files)) {
        case HandOver::Handed:
            return Outcome::Handed;
        case HandOver::NoAnswer:
            return Outcome::NoAnswer;
        case HandOver::Stranger:
            m_error = tr("A program of another user listens on %1.").arg(m_name);
            return Outcome::Alone;
        case HandOver::NoneRunning:
            break;
        }
        switch (listenGuarded()) {
        case Listen::Listening:
            return Outcome::Listening;
        case Listen::Failed:
            return Outcome::Alone;
        case Listen::Taken:
            break;
        }
    }
    return Outcome::Alone;
}

bool ProgramInstance::listen()
{
    return listenGuarded() == Listen::Listening;
}

ProgramInstance::Listen ProgramInstance::listenGuarded()
{
    if (!m_server) {
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, &ProgramInstance::accept);
    }
    // Between asking whether a program listens and listening, no other
    // program of the user may remove the name.
    QLockFile lock(m_name + QStringLiteral(".lock"));
    if (!lock.tryLock(LockTimeoutMs)) {
        m_error = tr("%1 could not be locked.").arg(m_name + QStringLiteral(".lock"));
        return Listen::Failed;
    }
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (probe.waitForConnected(ConnectTimeoutMs)) {
        m_error = tr("Another program listens on %1.").arg(m_name);
        return Listen::Taken;
    }
    // A file left by a program that ended without closing its socket. Without
    // access options Qt binds to the name itself, so a listen fails rather
    // than renaming a socket over a live one.
    QLocalServer::removeServer(m_name);
    if (m_server->listen(m_name))
        return Listen::Listening;
    m_error = m_server->errorString();
    return Listen::Failed;
}

void ProgramInstance::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!isOwnUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        serve(socket);
    }
}

void ProgramInstance::serve(QLocalSocket *socket)
{
    auto *silence = new QTimer(socket);
    silence->setSingleShot(true);
    connect(silence, &QTimer::timeout, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    silence->start(ReadTimeoutMs);

    auto paths = std::make_shared<QStringList>();
    auto mainWindow = std::make_shared<bool>(false);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, silence, paths, mainWindow] {
        while (socket->canReadLine()) {
            QByteArray line = socket->readLine(MaxPathBytes + 2);
            if (!line.endsWith('\n')) {
                socket->abort(); // longer than any path: not a program of ours
                return;
            }
            line.chop(1);
            if (line == MainWindowLine) {
                *mainWindow = true;
                continue;
            }
            if (!line.isEmpty()) {
                const QString path = QString::fromUtf8(line);
                if (QDir::isAbsolutePath(path) && paths->size() < MaxPaths)
                    paths->append(path);
                continue;
            }
            silence->stop();
            socket->write(Confirmed);
            socket->disconnectFromServer();
            // The windows open after this handler, so a message box they
            // show does not wait inside it.
            QMetaObject::invokeMethod(
                this,
                [this, requested = *paths, showMain = *mainWindow] {
                    if (showMain)
                        emit mainWindowRequested();
                    for (const QString &path : requested)
                        emit fileRequested(path);
                },
                Qt::QueuedConnection);
            return;
        }
        if (socket->bytesAvailable() > MaxPathBytes)
            socket->abort();
    });
}
