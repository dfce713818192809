#include "LocalSystemInfoRegistry.h"
#include "SystemInfoLauncher.h"
#include "frmAbout.h"

#include <QFile>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

class ScriptedRegistry : public SystemInfoRegistry
{
public:
    QMap<QString, QString> values; // "key|value name" -> text
    mutable QStringList asked;

    bool GetKeyValue(RootKey KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                     QString &KeyVal) const override
    {
        const QString name = KeyName + QChar(u'|') + SubKeyRef;
        asked.append(name);
        KeyVal = values.value(name);
        return KeyRoot == RootKey::LocalMachine && values.contains(name);
    }
};

const QString ToolPath = QString(SystemInfoRegistry::ToolPathKey) + QStringLiteral("|PATH");
const QString ToolFolder = QString(SystemInfoRegistry::ToolFolderKey) + QStringLiteral("|MSINFO");

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private:
    ScriptedRegistry m_registry;
    QStringList m_started;
    QStringList m_existing;
    QStringList m_probed;
    bool m_startWorks = true;

    SystemInfoLauncher launcher()
    {
        return SystemInfoLauncher(
            m_registry,
            [this](const QString &program) {
                m_started.append(program);
                return m_startWorks;
            },
            [this](const QString &path) {
                m_probed.append(path);
                return m_existing.contains(path);
            });
    }

private slots:
    void init()
    {
        m_registry = ScriptedRegistry();
        m_started.clear();
        m_existing.clear();
        m_probed.clear();
        m_startWorks = true;
    }

    void theToolPathIsStartedWithoutLookingFurther()
    {
        QCOMPARE(ToolPath, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH"));
        m_registry.values[ToolPath] = QStringLiteral("/usr/bin/hardinfo");
        const auto result = launcher().StartSysInfo();
        QVERIFY(result.started);
        QCOMPARE(m_started, QStringList{"/usr/bin/hardinfo"});
        QCOMPARE(m_registry.asked, QStringList{ToolPath});
    }

    void theToolFolderNeedsMsinfo32()
    {
        QCOMPARE(ToolFolder, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO"));
        m_registry.values[ToolFolder] = QStringLiteral("C:/Tools");
        auto result = launcher().StartSysInfo();
        QVERIFY(!result.started);
        QCOMPARE(result.message, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(m_probed, QStringList{"C:/Tools/MSINFO32.EXE"});
        QVERIFY(m_started.isEmpty());

        m_existing.append(QStringLiteral("C:/Tools/MSINFO32.EXE"));
        result = launcher().StartSysInfo();
        QVERIFY(result.started);
        QCOMPARE(m_started, QStringList{"C:/Tools/MSINFO32.EXE"});
    }

    void withoutEitherValueOrAWorkingStartTheToolIsUnavailable()
    {
        auto result = launcher().StartSysInfo();
        QVERIFY(!result.started);
        QCOMPARE(result.message, SystemInfoLauncher::UnavailableMessage);
        QCOMPARE(m_registry.asked, (QStringList{ToolPath, ToolFolder}));
        QVERIFY(m_started.isEmpty());

        m_registry.values[ToolPath] = QStringLiteral("/usr/bin/hardinfo");
        m_startWorks = false;
        result = launcher().StartSysInfo();
        QVERIFY(!result.started);
        QCOMPARE(result.message, SystemInfoLauncher::UnavailableMessage);
    }

    void theLocalLookUpFindsTheFirstToolOnThePath()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows answers from its registry");
#else
        QTemporaryDir bin;
        QVERIFY(bin.isValid());
        for (const char *name : {"xfce4-taskmanager", "kinfocenter"}) {
            QFile tool(bin.filePath(QString::fromLatin1(name)));
            QVERIFY(tool.open(QIODevice::WriteOnly));
            tool.write("#!/bin/sh\n");
            tool.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        }
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        const LocalSystemInfoRegistry registry;
        QString value = QStringLiteral("old");
        const bool found = registry.GetKeyValue(SystemInfoRegistry::RootKey::LocalMachine,
                                                SystemInfoRegistry::ToolPathKey,
                                                SystemInfoRegistry::ToolPathValue, value);
        QString folder = QStringLiteral("old");
        const bool folderFound = registry.GetKeyValue(SystemInfoRegistry::RootKey::LocalMachine,
                                                      SystemInfoRegistry::ToolFolderKey,
                                                      SystemInfoRegistry::ToolFolderValue, folder);
        qputenv("PATH", bin.filePath(QStringLiteral("empty")).toLocal8Bit());
        QString none = QStringLiteral("old");
        const bool noneFound = registry.GetKeyValue(SystemInfoRegistry::RootKey::LocalMachine,
                                                    SystemInfoRegistry::ToolPathKey,
                                                    SystemInfoRegistry::ToolPathValue, none);
        qputenv("PATH", oldPath);

        QVERIFY(found);
        QCOMPARE(value, bin.filePath(QStringLiteral("kinfocenter")));
        QVERIFY(!folderFound);
        QCOMPARE(folder, QString());
        QVERIFY(!noneFound);
        QCOMPARE(none, QString());
#endif
    }

    void theBoxShowsTitleVersionAndFolderAndReportsAMissingTool()
    {
        const SystemInfoLauncher tool = launcher();
        frmAbout box(tool, QStringLiteral("/opt/tesk"));
        QList<std::pair<QMessageBox::Icon, QString>> shown;
        box.setMessageHook([&](QMessageBox::Icon icon, const QString &title, const QString &text) {
            shown.append({icon, title + QChar(u'|') + text});
        });
        box.setDescription(QString());
        box.show();
        QCOMPARE(box.windowTitle(), QStringLiteral("About TESK"));
        QCOMPARE(box.findChild<QLabel *>("lblTitle")->text(), QStringLiteral("TESK"));
        QCOMPARE(box.findChild<QLabel *>("lblVersion")->text(),
                 QStringLiteral("Version " TESK_PROJECT_VERSION));
        QVERIFY(box.findChild<QLabel *>("lblProgramFolder")->text().contains("/opt/tesk"));
        QCOMPARE(box.findChildren<QFrame *>("Line1").size(), 2);

        QTest::mouseClick(box.findChild<QPushButton *>("cmdSysInfo"), Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].first, QMessageBox::NoIcon);
        QCOMPARE(shown[0].second,
                 QStringLiteral("TESK|System Information Is Unavailable At This Time"));
        QVERIFY(box.isVisible());
        QTest::mouseClick(box.findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
        QVERIFY(!box.isVisible());
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
