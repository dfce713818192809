#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

struct TestBrokerOptions
{
    bool tls = false; // one mqtts listener, its certificates made with openssl
    QString user;     // with a password: anonymous clients are refused
    QString password;
};

// A Mosquitto broker of the test's own on a free loopback port, with a
// configuration file in a temporary folder, and subscribers that print what
// they receive (mosquitto_sub). Every process ends with the test, however the
// test ends: killed by the destructors, or by the kernel when the test dies.
class TestBroker
{
public:
    static constexpr int PatienceMs = 30000;

    using Options = TestBrokerOptions;

    // One line a subscriber printed: the topic and the payload.
    struct Message
    {
        QString topic;
        QString payload;
    };

    // A mosquitto_sub process subscribed to PREFIX/# with QoS 1.
    class Subscriber
    {
    public:
        std::unique_ptr<QProcess> process;
        QList<Message> received;

        ~Subscriber() { endProcess(*process); }

        QList<Message> &update()
        {
            m_pending += process->readAllStandardOutput();
            qsizetype end = 0;
            while ((end = m_pending.indexOf('\n')) >= 0) {
                const QString line = QString::fromUtf8(m_pending.left(end));
                m_pending.remove(0, end + 1);
                const qsizetype space = line.indexOf(QChar(u' '));
                received.append({line.left(space), space < 0 ? QString() : line.mid(space + 1)});
            }
            return received;
        }
        QStringList payloadsOf(const QString &topic)
        {
            QStringList payloads;
            for (const Message &m : update())
                if (m.topic == topic)
                    payloads.append(m.payload);
            return payloads;
        }

    private:
        QByteArray m_pending;
    };

    QTemporaryDir dir;
    Options options;
    quint16 port = 0;
    std::unique_ptr<QProcess> broker;

    explicit TestBroker(Options brokerOptions = {}) : options(std::move(brokerOptions))
    {
        port = freePort();
        if (options.tls)
            makeCertificates();
        writeConfiguration();
    }

    ~TestBroker()
    {
        if (broker)
            endProcess(*broker);
    }

    static void endProcess(QProcess &process)
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(PatienceMs);
        }
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString url() const
    {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(options.tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"))
            .arg(port);
    }
    QString caFile() const { return path(QStringLiteral("ca.pem")); }
    // A CA that signed nothing the broker shows.
    QString otherCaFile() const { return path(QStringLiteral("other-ca.pem")); }

    // Starts the broker and waits until it accepts connections.
    bool start()
    {
        broker = startProcess(QStringLiteral("/usr/sbin/mosquitto"),
                              {QStringLiteral("-c"), path(QStringLiteral("mosquitto.conf"))});
        return QTest::qWaitFor(
                   [this] {
                       if (broker->state() == QProcess::NotRunning)
                           return true;
                       QTcpSocket probe;
                       probe.connectToHost(QStringLiteral("127.0.0.1"), port);
                       return probe.waitForConnected(200);
                   },
                   PatienceMs) &&
               broker->state() == QProcess::Running;
    }

    // Ends the broker as a service stop does (its sessions are saved).
    void stop()
    {
        if (!broker || broker->state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(broker->processId()), SIGTERM);
        broker->waitForFinished(PatienceMs);
    }

    // A subscriber with a lasting session under `id`: what is published while
    // it is away waits for it at the broker. Its lines begin with the topic.
    std::unique_ptr<Subscriber> subscribe(const QString &prefix, const QString &id,
                                          const QStringList &output = {QStringLiteral("-v")})
    {
        auto subscriber = std::make_unique<Subscriber>();
        QStringList arguments{
            QStringLiteral("-h"),  QStringLiteral("127.0.0.1"),  QStringLiteral("-p"),
            QString::number(port), QStringLiteral("-q"),         QStringLiteral("1"),
            QStringLiteral("-c"),  QStringLiteral("-i"),         id,
            QStringLiteral("-t"),  prefix + QStringLiteral("/#")};
        arguments << output;
        if (options.tls)
            arguments << QStringLiteral("--cafile") << caFile();
        arguments << credentials();
        subscriber->process = startProcess(QStringLiteral("mosquitto_sub"), arguments);
        // Subscribed once a message published now comes back.
        const QString probe = prefix + QStringLiteral("/probe");
        [[maybe_unused]] const bool subscribed = QTest::qWaitFor(
            [&] {
                publish(probe, QStringLiteral("probe"));
                return QTest::qWaitFor([&] { return !subscriber->payloadsOf(probe).isEmpty(); },
                                       300);
            },
            PatienceMs);
        return subscriber;
    }

    bool publish(const QString &topic, const QString &payload)
    {
        QProcess pub;
        QStringList arguments{QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                              QStringLiteral("-p"), QString::number(port),
                              QStringLiteral("-q"), QStringLiteral("1"),
                              QStringLiteral("-t"), topic,
                              QStringLiteral("-m"), payload};
        if (options.tls)
            arguments << QStringLiteral("--cafile") << caFile();
        pub.start(QStringLiteral("mosquitto_pub"), arguments + credentials());
        return pub.waitForFinished(PatienceMs) && pub.exitCode() == 0;
    }

    // A process that dies with the test.
    static std::unique_ptr<QProcess> startProcess(const QString &program,
                                                  const QStringList &arguments)
    {
        auto process = std::make_unique<QProcess>();
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process->start(program, arguments);
        process->waitForStarted(PatienceMs);
        return process;
    }

private:
    QStringList credentials() const
    {
        if (options.user.isEmpty())
            return {};
        return {QStringLiteral("-u"), options.user, QStringLiteral("-P"), options.password};
    }

    static quint16 freePort()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        return server.serverPort();
    }

    bool run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(program, arguments);
        return process.waitForFinished(PatienceMs) && process.exitCode() == 0;
    }

    // A CA, a server certificate for 127.0.0.1 signed by it, and a second CA.
    void makeCertificates()
    {
        const QString openssl = QStringLiteral("openssl");
        for (const QString &ca : {QStringLiteral("ca"), QStringLiteral("other-ca")})
            run(openssl, {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                          QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                          QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                          QStringLiteral("/CN=Test %1").arg(ca), QStringLiteral("-keyout"),
                          ca + QStringLiteral("-key.pem"), QStringLiteral("-out"),
                          ca + QStringLiteral(".pem")});
        run(openssl,
            {QStringLiteral("req"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
             QStringLiteral("-nodes"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
             QStringLiteral("-keyout"), QStringLiteral("server-key.pem"), QStringLiteral("-out"),
             QStringLiteral("server.csr")});
        QFile extensions(path(QStringLiteral("server.ext")));
        if (extensions.open(QIODevice::WriteOnly))
            extensions.write("subjectAltName=IP:127.0.0.1\n");
        extensions.close();
        run(openssl, {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                      QStringLiteral("server.csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
                      QStringLiteral("-CAkey"), QStringLiteral("ca-key.pem"),
                      QStringLiteral("-CAcreateserial"), QStringLiteral("-days"),
                      QStringLiteral("2"), QStringLiteral("-extfile"), QStringLiteral("server.ext"),
                      QStringLiteral("-out"), QStringLiteral("server.pem")});
    }

    void writeConfiguration()
    {
        QByteArray conf = "listener " + QByteArray::number(port) + " 127.0.0.1\n";
        if (options.tls)
            conf += "cafile " + caFile().toUtf8() + "\ncertfile " +
                    path(QStringLiteral("server.pem")).toUtf8() + "\nkeyfile " +
                    path(QStringLiteral("server-key.pem")).toUtf8() + "\n";
        if (options.user.isEmpty()) {
            conf += "allow_anonymous true\n";
        } else {
            const QString passwords = path(QStringLiteral("passwords"));
            run(QStringLiteral("mosquitto_passwd"), {QStringLiteral("-c"), QStringLiteral("-b"),
                                                     passwords, options.user, options.password});
            conf += "allow_anonymous false\npassword_file " + passwords.toUtf8() + "\n";
        }
        // A subscriber slower than the readings for a while loses none of them.
        conf += "max_queued_messages 1000000\n";
        // Sessions outlive a restart; the broker keeps the test's user, which
        // can write the folder, when started by root.
        conf += "persistence true\npersistence_location " + dir.path().toUtf8() + "/\n";
        if (const passwd *account = ::getpwuid(::getuid()); account != nullptr)
            conf += "user " + QByteArray(account->pw_name) + "\n";
        QFile file(path(QStringLiteral("mosquitto.conf")));
        if (file.open(QIODevice::WriteOnly))
            file.write(conf);
    }
};
