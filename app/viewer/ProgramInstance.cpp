#include "ProgramInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <memory>

#include <unistd.h>

namespace {

constexpr int ConnectTimeoutMs = 1000;
const QByteArray Confirmed = QByteArrayLiteral("ok\n");

} // namespace

ProgramInstance::ProgramInstance(const QString &socketName, QObject *parent)
    : QObject(parent), m_name(socketName)
{}

ProgramInstance::~ProgramInstance() = default;

QString ProgramInstance::socketNameFor(const QString &settingsPath, const QString &programFolder)
{
    // The runtime folder belongs to the user alone (mode 0700), so no other
    // user can take the name first or listen in on the paths.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray place =
        QDir::cleanPath(settingsPath).toUtf8() + '\n' + QDir::cleanPath(programFolder).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(place, QCryptographicHash::Sha1).toHex();
    return folder + QStringLiteral("/tesk-%1-%2").arg(getuid()).arg(QLatin1String(hash.left(12)));
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

ProgramInstance::HandOver ProgramInstance::handOver(const QStringList &files) const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return HandOver::NoneRunning;
    QByteArray message;
    for (const QString &file : files)
        message += file.toUtf8() + '\n';
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

bool ProgramInstance::listen()
{
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &ProgramInstance::accept);
    }
    // Qt puts a socket with access options into place by renaming it over
    // whatever file has the name, a live program's socket included: ask first.
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (probe.waitForConnected(ConnectTimeoutMs)) {
        m_error = tr("Another program listens on %1.").arg(m_name);
        return false;
    }
    // A file left by a program that ended without closing its socket.
    QLocalServer::removeServer(m_name);
    if (m_server->listen(m_name))
        return true;
    m_error = m_server->errorString();
    return false;
}

void ProgramInstance::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto paths = std::make_shared<QStringList>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, paths] {
            while (socket->canReadLine()) {
                QByteArray line = socket->readLine(MaxPathBytes + 2);
                if (!line.endsWith('\n')) {
                    socket->abort(); // longer than any path: not a program of ours
                    return;
                }
                line.chop(1);
                if (!line.isEmpty()) {
                    const QString path = QString::fromUtf8(line);
                    if (QDir::isAbsolutePath(path) && paths->size() < MaxPaths)
                        paths->append(path);
                    continue;
                }
                socket->write(Confirmed);
                socket->disconnectFromServer();
                // The windows open after this handler, so a message box they
                // show does not wait inside it.
                QMetaObject::invokeMethod(
                    this,
                    [this, requested = *paths] {
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
}
