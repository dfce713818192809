#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

// A Mosquitto broker of the test's own on a free loopback port, with a
// configuration file in a temporary folder, and subscribers that print what
// they receive (mosquitto_sub). Every process ends with the test, however the
// test ends: killed by the destructors, or by the kernel when the test dies.
class TestBroker
{
public:
    static constexpr int PatienceMs = 30000;

    // A mosquitto_sub process subscribed to PREFIX/# with QoS 1.
    class Subscriber
    {
    public:
        std::unique_ptr<QProcess> process;

        ~Subscriber() { endProcess(process.get()); }

        // What was published to `topic`, in the order it arrived.
        QStringList payloadsOf(const QString &topic)
        {
            m_pending += process->readAllStandardOutput();
            const qsizetype end = m_pending.lastIndexOf('\n') + 1; // whole lines only
            m_lines += QString::fromUtf8(m_pending.first(end)).split(u'\n', Qt::SkipEmptyParts);
            m_pending.remove(0, end);
            QStringList payloads;
            for (const QString &line : std::as_const(m_lines))
                if (line.startsWith(topic + QChar(u' ')))
                    payloads.append(line.mid(topic.size() + 1));
            return payloads;
        }
        // The "value" of each reading published to `topic`, with two decimals.
        QStringList valuesOf(const QString &topic)
        {
            QStringList values;
            for (const QString &payload : payloadsOf(topic))
                values.append(QString::number(
                    QJsonDocument::fromJson(payload.toUtf8()).object().value("value").toDouble(),
                    'f', 2));
            return values;
        }

    private:
        QStringList m_lines;
        QByteArray m_pending;
    };

    QTemporaryDir dir;
    bool tls;     // one mqtts listener, its certificates made with openssl
    QString user; // with a password: anonymous clients are refused
    QString password;
    quint16 port = 0;
    std::unique_ptr<QProcess> broker;

    explicit TestBroker(bool tlsOnly = false, QString userName = {}, QString userPassword = {})
        : tls(tlsOnly), user(std::move(userName)), password(std::move(userPassword))
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        port = server.serverPort();
        QByteArray conf = "listener " + QByteArray::number(port) + " 127.0.0.1\n";
        if (tls) {
            makeCertificates();
            conf += "cafile " + caFile().toUtf8() + "\ncertfile " + path("server.pem").toUtf8() +
                    "\nkeyfile " + path("server-key.pem").toUtf8() + "\n";
        }
        if (user.isEmpty()) {
            conf += "allow_anonymous true\n";
        } else {
            run("mosquitto_passwd", {"-c", "-b", "passwords", user, password});
            conf += "allow_anonymous false\npassword_file " + path("passwords").toUtf8() + "\n";
        }
        // A subscriber slower than the readings for a while loses none of them.
        conf += "max_queued_messages 1000000\n";
        // Sessions outlive a restart; the broker keeps the test's user, which
        // can write the folder, when started by root.
        conf += "persistence true\npersistence_location " + dir.path().toUtf8() + "/\n";
        if (const passwd *account = ::getpwuid(::getuid()); account != nullptr)
            conf += "user " + QByteArray(account->pw_name) + "\n";
        QFile file(path("mosquitto.conf"));
        if (file.open(QIODevice::WriteOnly))
            file.write(conf);
    }
    ~TestBroker() { endProcess(broker.get()); }

    static void endProcess(QProcess *process)
    {
        if (process != nullptr && process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(PatienceMs);
        }
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString url() const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(tls ? "mqtts" : "mqtt").arg(port);
    }
    QString caFile() const { return path("ca.pem"); }
    // A CA that signed nothing the broker shows.
    QString otherCaFile() const { return path("other-ca.pem"); }

    // Starts the broker and waits until it accepts connections.
    bool start()
    {
        broker = startProcess("/usr/sbin/mosquitto", {"-c", path("mosquitto.conf")});
        const auto listening = [this] {
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), port);
            return broker->state() == QProcess::NotRunning || probe.waitForConnected(200);
        };
        return QTest::qWaitFor(listening, PatienceMs) && broker->state() == QProcess::Running;
    }

    // Ends the broker as a service stop does (its sessions are saved).
    void stop()
    {
        broker->terminate(); // SIGTERM
        broker->waitForFinished(PatienceMs);
    }

    // A subscriber with a lasting session under `id`: what is published while
    // it is away waits for it at the broker. Its lines begin with the topic.
    std::unique_ptr<Subscriber> subscribe(const QString &prefix, const QString &id,
                                          const QStringList &output = {QStringLiteral("-v")})
    {
        auto subscriber = std::make_unique<Subscriber>();
        subscriber->process = startProcess(
            "mosquitto_sub",
            clientArguments() + QStringList{"-c", "-i", id, "-t", prefix + "/#"} + output);
        // Subscribed once a message published now comes back.
        const QString probe = prefix + QStringLiteral("/probe");
        [[maybe_unused]] const bool subscribed = QTest::qWaitFor(
            [&] {
                run("mosquitto_pub", clientArguments() + QStringList{"-t", probe, "-m", "probe"});
                return QTest::qWaitFor([&] { return !subscriber->payloadsOf(probe).isEmpty(); },
                                       300);
            },
            PatienceMs);
        return subscriber;
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
    // Where the broker is, with QoS 1, its CA and the test's user.
    QStringList clientArguments() const
    {
        QStringList arguments{"-h", "127.0.0.1", "-p", QString::number(port), "-q", "1"};
        if (tls)
            arguments << "--cafile" << caFile();
        if (!user.isEmpty())
            arguments << "-u" << user << "-P" << password;
        return arguments;
    }

    bool run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(program, arguments);
        return process.waitForFinished(PatienceMs) && process.exitCode() == 0;
    }

    // A CA, a second CA, and a certificate for 127.0.0.1 signed by the first.
    void makeCertificates()
    {
        for (const char *subjectAndFiles :
             {"/CN=Test-ca -keyout ca-key.pem -out ca.pem",
              "/CN=Test-other -keyout other-ca-key.pem -out other-ca.pem",
              "/CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -addext basicConstraints=CA:FALSE "
              "-CA ca.pem -CAkey ca-key.pem -keyout server-key.pem -out server.pem"})
            run("openssl", QStringLiteral("req -x509 -newkey rsa:2048 -nodes -days 2 -subj %1")
                               .arg(subjectAndFiles)
                               .split(u' '));
    }
};
