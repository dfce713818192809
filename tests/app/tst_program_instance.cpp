#include "ProgramHarness.h"

#include "PrivateFolder.h"

#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>

#include <cstring>
#include <vector>

#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The user id that the tests borrow for "another user" (nobody).
constexpr uid_t OtherUser = 65534;

sockaddr_un addressOf(const QString &name)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(name).constData(),
                 sizeof address.sun_path - 1);
    return address;
}

// Runs `body` in a child process as OtherUser; its return value is the
// child's exit status. Only system calls in `body`: the child of a program
// with threads may not take a lock.
pid_t runAsOtherUser(const std::function<int()> &body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(OtherUser) != 0 || ::setuid(OtherUser) != 0)
            ::_exit(90);
        ::_exit(body());
    }
    return child;
}

int exitStatusOf(pid_t child)
{
    int status = 0;
    const bool ended = QTest::qWaitFor(
        [child, &status] { return ::waitpid(child, &status, WNOHANG) == child; }, 20000);
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

class ProgramInstanceTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(ProgramHarness::useOwnRuntimeFolder()); }

    void folderForTheSocketIsRefusedUnlessOnlyItsUserCanEnterIt_data()
    {
        // Each row: what is at the folder's path, and the end of the refusal.
        QTest::addColumn<QString>("refusal");
        QTest::newRow("missing") << QString(); // made
        QTest::newRow("link") << "is a link";  // to a private folder
        QTest::newRow("open") << "is open to others (mode 755)";
        QTest::newRow("file") << "is not a folder";
        QTest::newRow("foreign") << "belongs to user 65534";
    }
    void folderForTheSocketIsRefusedUnlessOnlyItsUserCanEnterIt()
    {
        const QString kind = QString::fromLatin1(QTest::currentDataTag());
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sockets"));
        const QByteArray name = QFile::encodeName(path);
        const QByteArray target = QFile::encodeName(dir.filePath(QStringLiteral("target")));
        if (kind == QStringLiteral("link")) {
            QCOMPARE(::mkdir(target.constData(), 0700), 0);
            QCOMPARE(::symlink(target.constData(), name.constData()), 0);
        } else if (kind == QStringLiteral("file")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (kind != QStringLiteral("missing")) {
            QCOMPARE(::mkdir(name.constData(), 0700), 0);
            QCOMPARE(::chmod(name.constData(), kind == QStringLiteral("open") ? 0755 : 0700), 0);
            if (kind == QStringLiteral("foreign") &&
                ::chown(name.constData(), OtherUser, OtherUser) != 0)
                QSKIP("only the superuser can give a folder away");
        }
        const QString problem = PrivateFolder::make(path);
        QVERIFY2(refusal.isEmpty() ? problem.isEmpty() : problem.endsWith(refusal + u'.'),
                 qPrintable(problem));
        struct stat status = {};
        QVERIFY(!refusal.isEmpty() ||
                (::lstat(name.constData(), &status) == 0 && (status.st_mode & 0777) == 0700));
    }

    void socketGoesUnderTheCacheFolderWhenTheSharedRuntimeFolderIsAnotherUsers()
    {
        // With no runtime folder named, Qt offers "runtime-<user>" in the
        // temporary folder, which anyone may have made first.
        QTemporaryDir dir;
        const QString runtime = dir.filePath(
            QStringLiteral("runtime-") + QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name));
        QVERIFY(QDir().mkpath(runtime));
        if (::chown(QFile::encodeName(runtime).constData(), OtherUser, OtherUser) != 0)
            QSKIP("only the superuser can give a folder away");
        const QString cache = dir.filePath(QStringLiteral("cache"));
        const auto restore = qScopeGuard([old = QProcessEnvironment::systemEnvironment()] {
            for (const char *name : {"XDG_RUNTIME_DIR", "TMPDIR", "XDG_CACHE_HOME"})
                old.contains(name) ? qputenv(name, old.value(name).toLocal8Bit()) : qunsetenv(name);
        });
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(dir.path()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
        const auto place = [] {
            return ProgramInstance::placeFor(QStringLiteral("/a/Tesk.ini"),
                                             QStringLiteral("/a/home"));
        };

        const QString name = place().socketName;
        QVERIFY2(name.startsWith(cache + QStringLiteral("/tesk/tesk-")), qPrintable(name));
        QCOMPARE(PrivateFolder::problemWith(QFileInfo(name).path()), QString());

        // With the cache folder unusable too, there is no socket at all.
        QVERIFY(QDir(cache).removeRecursively());
        QFile blocker(cache);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        QVERIFY(place().socketName.isEmpty());
        QVERIFY2(!place().problem.isEmpty(), qPrintable(place().problem));
    }

    void socketLeftByAProgramThatCrashedIsTakenOverButALiveOneIsNotAndSilenceIsDropped()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("tesk-socket"));
        // A socket file whose program is gone.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un address = addressOf(name);
        QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
        ::close(fd);

        ProgramInstance first(name);
        QVERIFY2(first.listen(), qPrintable(first.error()));
        QVERIFY(!ProgramInstance(name).listen());

        // A client that sends nothing is dropped after a few seconds.
        QLocalSocket silent;
        QSignalSpy dropped(&silent, &QLocalSocket::disconnected);
        silent.connectToServer(name);
        QVERIFY(silent.waitForConnected(5000));
        QVERIFY(dropped.wait(ProgramInstance::ReadTimeoutMs + 10000));
    }

    void programOfAnotherUserIsNeitherHeardNorHandedAList()
    {
        if (::geteuid() != 0)
            QSKIP("only the superuser can connect or listen as another user");
        QTemporaryDir dir;
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0); // open to OtherUser

        // Its connection is dropped without opening the list it names.
        const QString ours = dir.filePath(QStringLiteral("tesk-socket"));
        ProgramInstance instance(ours);
        QVERIFY2(instance.listen(), qPrintable(instance.error()));
        QCOMPARE(::chmod(QFile::encodeName(ours).constData(), 0777), 0);
        QSignalSpy requested(&instance, &ProgramInstance::fileRequested);
        const sockaddr_un address = addressOf(ours);
        pid_t child = runAsOtherUser([&address] {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
                return 2;
            const char message[] = "/tmp/planted.lst\n\n";
            if (::send(fd, message, sizeof message - 1, MSG_NOSIGNAL) < 0)
                return 0; // dropped already
            char answer[8];
            return ::read(fd, answer, sizeof answer) > 0 ? 1 : 0;
        });
        QCOMPARE(exitStatusOf(child), 0);
        QCoreApplication::processEvents();
        QCOMPARE(requested.size(), 0);

        // Listening, it is not handed ours.
        const QString theirs = dir.filePath(QStringLiteral("their-socket"));
        const sockaddr_un their = addressOf(theirs);
        child = runAsOtherUser([&their] {
            const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (::bind(server, reinterpret_cast<const sockaddr *>(&their), sizeof their) != 0 ||
                ::listen(server, 4) != 0 || ::chmod(their.sun_path, 0777) != 0)
                return 2;
            pollfd waiting{server, POLLIN, 0};
            if (::poll(&waiting, 1, 15000) != 1)
                return 3;
            const int client = ::accept(server, nullptr, nullptr);
            char heard[64];
            const ssize_t size = ::read(client, heard, sizeof heard);
            (void)!::send(client, "ok\n", 3, MSG_NOSIGNAL);
            return size > 0 ? 1 : 0;
        });
        // Open to all once it listens.
        QTRY_VERIFY(QFileInfo(theirs).permissions().testFlag(QFile::WriteOther));
        QCOMPARE(ProgramInstance(theirs).handOver({QStringLiteral("/tmp/secret.lst")}),
                 ProgramInstance::HandOver::Stranger);
        QCOMPARE(exitStatusOf(child), 0);
    }

    void eightProgramsStartedAtOnceLeaveExactlyOneListening()
    {
        ProgramHarness harness;
        std::vector<std::unique_ptr<QProcess>> programs;
        const auto endAll = qScopeGuard([&programs] {
            for (const auto &program : programs) {
                program->kill();
                program->waitForFinished();
            }
        });
        for (int i = 0; i < 8; ++i) {
            const QString list = harness.path(QStringLiteral("survey%1.lst").arg(i));
            QFile file(list);
            QVERIFY(file.open(QIODevice::WriteOnly) &&
                    file.write("\"Department: Radiology\"\r\n") > 0);
            file.close();
            programs.push_back(std::make_unique<QProcess>());
            programs.back()->setProcessEnvironment(harness.environment());
            programs.back()->start(QStringLiteral(TESK_PROGRAM), {list});
        }
        const auto handedOver = [](const auto &program) {
            return program->state() == QProcess::NotRunning &&
                   program->exitStatus() == QProcess::NormalExit && program->exitCode() == 0;
        };
        QTRY_COMPARE_WITH_TIMEOUT(std::ranges::count_if(programs, handedOver), 7, 90000);
        QCOMPARE(std::ranges::count_if(
                     programs,
                     [](const auto &program) { return program->state() == QProcess::Running; }),
                 1);
    }
};

QTEST_MAIN(ProgramInstanceTest)
#include "tst_program_instance.moc"
