#include "FileSizeLimit.h"
#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class ProfileFileTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString pathWith(const QByteArray &contents)
    {
        static int counter = 0;
        const QString path = m_dir.filePath(QStringLiteral("t%1.ini").arg(++counter));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write test file");
        file.write(contents);
        return path;
    }

    static QByteArray contentsOf(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void standardPathFollowsXdgConfigHome()
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
        QCOMPARE(ProfileFile::standardPath(), m_dir.filePath(QStringLiteral("Tesk.ini")));
        qputenv("XDG_CONFIG_HOME", "relative/config");
        QCOMPARE(ProfileFile::standardPath(),
                 QDir::homePath() + QStringLiteral("/.config/Tesk.ini"));
        qunsetenv("XDG_CONFIG_HOME");
    }

    void readsHandEditedFiles_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");

        QTest::newRow("blanks around equals and at end")
            << QByteArray("[COMMON]\nThreshold1 =  .2   \n") << "Threshold1" << 10 << 2 << ".2";
        QTest::newRow("CRLF, BOM and no final newline")
            << QByteArray("\xEF\xBB\xBF; comment\r\n\r\n[COMMON]\r\nCommPort=3") << "CommPort" << 10
            << 1 << "3";
        QTest::newRow("leading blank is not part of the value")
            << QByteArray("[COMMON]\nAudioAlarm= 1\n") << "AudioAlarm" << 2 << 1 << "1";
        QTest::newRow("empty value reads nothing")
            << QByteArray("[COMMON]\nCommPort=\n") << "CommPort" << 10 << 0 << "";
        QTest::newRow("key of another section is not read")
            << QByteArray("[OTHER]\nCommPort=4\n[COMMON]\nX=1\n") << "CommPort" << 10 << 1 << "2";
        QTest::newRow("25 characters cut to 19")
            << QByteArray("[COMMON]\nDepartment=ABCDEFGHIJKLMNOPQRSTUVWXY\n") << "Department" << 20
            << 19 << "ABCDEFGHIJKLMNOPQRS";
        QTest::newRow("single-byte code page")
            << QByteArray("[COMMON]\nPersonnel=J\xF6rg\n") << "Personnel" << 20 << 4
            << QString::fromUtf8("J\xC3\xB6rg");
    }

    void readsHandEditedFiles()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, key);
        QFETCH(int, size);
        QFETCH(int, count);
        QFETCH(QString, text);
        const ProfileFile file(pathWith(contents));
        const auto value = file.ReadProfileKey(key, QStringLiteral("2"), size);
        QCOMPARE(value.count, count);
        QCOMPARE(value.text, text);
    }

    void typedReadsKeepTheTargetWhenNothingIsRead()
    {
        const ProfileFile file(pathWith("[COMMON]\nCommPort=\nThreshold2=abc\n"));
        qint16 port = 7;
        QVERIFY(!file.readInt16(QStringLiteral("CommPort"), QStringLiteral("2"), 10, port));
        QCOMPARE(port, qint16(7));
        double threshold = 1;
        QVERIFY(file.readNumber(QStringLiteral("Threshold2"), QStringLiteral("5"), 10, threshold));
        QCOMPARE(threshold, 0.0);
        QString text = QStringLiteral("kept");
        QVERIFY(file.readText(QStringLiteral("Department"), QStringLiteral("x  "), 20, text));
        QCOMPARE(text, QStringLiteral("x"));
    }

    void writeKeepsEveryOtherLine()
    {
        const QByteArray before =
            "\xEF\xBB\xBF; settings\r\n[Other]\r\nCommPort=9\r\n\r\n"
            "[common]\r\ncommport = 2 \r\n; note\r\nMinInt= 1\r\n\r\n[Last]\r\nA=1";
        const QString path = pathWith(before);
        const ProfileFile file(path);
        QVERIFY(file.WriteProfileKey(QStringLiteral("CommPort"), QStringLiteral(" 3")));
        QVERIFY(file.WriteProfileKey(QStringLiteral("SecInt"), QStringLiteral(" 30")));
        QCOMPARE(
            contentsOf(path),
            QByteArray("\xEF\xBB\xBF; settings\r\n[Other]\r\nCommPort=9\r\n\r\n[common]\r\n"
                       "commport= 3\r\n; note\r\nMinInt= 1\r\nSecInt= 30\r\n\r\n[Last]\r\nA=1"));
    }

    void writeCreatesFileSectionAndKeyAndAFailedWriteKeepsThePreviousFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("sub/new.ini"));
        const ProfileFile file(path);
        QVERIFY(file.writeNumber(QStringLiteral("Threshold1"), 0.2));
        QVERIFY(
            file.WriteProfileKey(QStringLiteral("Department"), QStringLiteral("Health\nPhysics")));
        const QByteArray written("[COMMON]\nThreshold1= .2\nDepartment=Health Physics\n");
        QCOMPARE(contentsOf(path), written);
        FileSizeLimit fullDisk(24);
        QVERIFY(!file.WriteProfileKey(QStringLiteral("Department"),
                                      QStringLiteral("Radiation Safety Office")));
        fullDisk.lift();
        QCOMPARE(contentsOf(path), written);
        QCOMPARE(QDir(m_dir.filePath(QStringLiteral("sub"))).entryList(QDir::Files).size(), 1);
    }
};

QTEST_GUILESS_MAIN(ProfileFileTest)
#include "tst_profile_file.moc"
