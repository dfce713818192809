#include "LocalSystemInfoRegistry.h"
#include "SystemInfoLauncher.h"
#include "SystemInfoRegistry.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

namespace {

class ScriptedRegistry : public SystemInfoRegistry
{
public:
    QMap<QString, QString> values; // "key|value name" -> text

    bool GetKeyValue(RootKey KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                     QString &KeyVal) const override
    {
        const QString name = KeyName + QChar(u'|') + SubKeyRef;
        KeyVal = values.value(name);
        return KeyRoot == RootKey::LocalMachine && values.contains(name);
    }
};

const QString ToolPath = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH");
const QString ToolFolder = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO");

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void systemInformationToolIsFoundThroughTheRegistry_data()
    {
        QTest::addColumn<QString>("path");   // the first value; empty: absent
        QTest::addColumn<QString>("folder"); // the second value; empty: absent
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("started"); // empty: nothing, the user is told
        QTest::newRow("path, no folder key")
            << "/usr/bin/hardinfo" << QString() << QStringList() << "/usr/bin/hardinfo";
        QTest::newRow("folder without MSINFO32.EXE")
            << QString() << "C:/Tools" << QStringList() << QString();
        QTest::newRow("folder with MSINFO32.EXE")
            << QString() << "C:/Tools" << QStringList{"C:/Tools/MSINFO32.EXE"}
            << "C:/Tools/MSINFO32.EXE";
    }

    void systemInformationToolIsFoundThroughTheRegistry()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(QStringList, existing);
        QFETCH(QString, started);
        ScriptedRegistry registry;
        if (!path.isEmpty())
            registry.values[ToolPath] = path;
        if (!folder.isEmpty())
            registry.values[ToolFolder] = folder;
        QStringList programs;
        const SystemInfoLauncher launcher(
            registry,
            [&programs](const QString &program) {
                programs.append(program);
                return true;
            },
            [&existing](const QString &file) { return existing.contains(file); });
        const SystemInfoLauncher::Result result = launcher.StartSysInfo();
        QCOMPARE(programs, started.isEmpty() ? QStringList() : QStringList{started});
        QCOMPARE(result.message.isEmpty(), !started.isEmpty()); // the user is told
    }

    // On this platform the look-up answers with a system information program on the PATH.
    void localLookUpFindsAToolOnThePathAndNoFolder()
    {
        QTemporaryDir bin;
        QFile tool(bin.filePath(QStringLiteral("kinfocenter")));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray oldPath = qgetenv("PATH");
        const auto lookUp = [](const QString &key, const QString &name, const QByteArray &path) {
            qputenv("PATH", path);
            QString value = QStringLiteral("old");
            return LocalSystemInfoRegistry().GetKeyValue(SystemInfoRegistry::RootKey::LocalMachine,
                                                         key, name, value)
                       ? value
                       : QStringLiteral("none:") + value;
        };
        const QByteArray here = bin.path().toLocal8Bit();
        using R = SystemInfoRegistry;
        QCOMPARE(lookUp(R::ToolPathKey, R::ToolPathValue, here), tool.fileName());
        QCOMPARE(lookUp(R::ToolFolderKey, R::ToolFolderValue, here), QStringLiteral("none:"));
        QCOMPARE(lookUp(R::ToolPathKey, R::ToolPathValue, "/nowhere"), QStringLiteral("none:"));
        qputenv("PATH", oldPath);
    }
};

QTEST_GUILESS_MAIN(TestAbout)
#include "tst_about.moc"
