#include "FileReplacement.h"
#include "FileSizeLimit.h"
#include "ListExport.h"
#include "ListSaver.h"
#include "ProfileFile.h"
#include "ScriptedOpener.h"
#include "ScriptedPrompt.h"
#include "SurveyLegend.h"
#include "WorkingListFile.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString Record =
    QStringLiteral("SIM-0000001   2026-12-04 08:15:42        .10      uSv/h      0 GM        ");

} // namespace

class TestListSaver : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<ProfileFile> m_settings;
    std::unique_ptr<SurveyLegend> m_legend;
    std::unique_ptr<WorkingListFile> m_list;
    ScriptedPrompt m_prompt;
    ScriptedOpener m_opener;

    QString folder() const { return m_dir.path(); }
    QString file(const QString &name) const { return folder() + QChar(u'/') + name; }

    ListSaver loaded()
    {
        ListSaver saver({*m_settings, m_prompt, m_opener, *m_list, *m_legend, folder()});
        saver.load();
        return saver;
    }

    void startList(int records)
    {
        QVERIFY(m_list->OpenNewTempFile(m_legend->headerLines()));
        for (int i = 0; i < records; ++i)
            QVERIFY(m_list->appendRecord(Record));
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        for (const QString &name : QDir(folder()).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(file(name));
        m_settings = std::make_unique<ProfileFile>(file(QStringLiteral("Tesk.ini")));
        m_legend = std::make_unique<SurveyLegend>(*m_settings, [] { return QDate(2026, 12, 4); });
        m_list = std::make_unique<WorkingListFile>(file(QStringLiteral("TeskTemp.lst")));
        m_prompt.shown.clear();
        m_prompt.answers.clear();
    }

    void theCounterMovesOnOnlyWithASavedListAndTheReportTickIsKept()
    {
        startList(3);
        ListSaver first = loaded();
        QCOMPARE(first.edFileName, QStringLiteral("TeskData 1"));
        QVERIFY(!first.reportTicked);
        first.reportChanged(true);
        QVERIFY(loaded().reportTicked);
        const QByteArray list = readFile(m_list->path());
        QCOMPARE(first.save(first.edFileName, false, false, true), ListSaver::Next::Close);
        QCOMPARE(first.ReturnCode, 1);
        QVERIFY2(m_prompt.shown.isEmpty(), qPrintable(m_prompt.shown.value(0).text));
        // The report goes beside the text files.
        QVERIFY(readFile(file(QStringLiteral("TeskData 1.pdf"))).startsWith("%PDF"));
        QCOMPARE(readFile(file(QStringLiteral("TeskData 1.lst"))), list);
        QCOMPARE(readFile(file(QStringLiteral("Data4Excel.lst"))), list);
        QVERIFY(readFile(m_settings->path()).contains("FileNumber= 1"));
        // The working list restarts with the legend header only.
        QCOMPARE(m_list->TotalRecords(), 0);
        QCOMPARE(readFile(m_list->path()).count("\r\n"), 6);
        // A list of the legend alone is saved too, with its workbook.
        ListSaver second = loaded();
        QCOMPARE(second.save(second.edFileName, true, false), ListSaver::Next::Close);
        QVERIFY2(m_prompt.shown.isEmpty(), qPrintable(m_prompt.shown.value(0).text));
        QVERIFY(QFile::exists(file(QStringLiteral("TeskData 2.xlsx"))));

        QCOMPARE(loaded().edFileName, QStringLiteral("TeskData 3")); // then cancelled
        QCOMPARE(loaded().edFileName, QStringLiteral("TeskData 3"));
        m_settings->WriteProfileKey(QStringLiteral("FileNumber"), QStringLiteral("-5"));
        QCOMPARE(loaded().edFileName, QStringLiteral("TeskData-4"));
        m_settings->WriteProfileKey(QStringLiteral("FileNumber"), QStringLiteral(" 32767"));
        QCOMPARE(loaded().edFileName, QStringLiteral("TeskData 1"));
        m_settings->WriteProfileKey(QStringLiteral("OpenExel"), QString());
        const ListSaver untouched = loaded();
        QCOMPARE(untouched.edFileName, QStringLiteral("data"));
        QCOMPARE(untouched.FileNumber, qint16(32767));
    }

    void aNameThatLeavesTheFolderOrNamesTheWorkingListIsRefusedAndNothingIsWritten()
    {
        startList(2);
        // The working list's own name would lose the list when it restarts; so
        // would a link or a second name of it (as a file system that ignores case
        // gives), whatever it is called.
        const QByteArray before = readFile(file(QStringLiteral("TeskTemp.lst")));
        QVERIFY(QFile::link(QStringLiteral("TeskTemp.lst"), file(QStringLiteral("linked.lst"))));
        QVERIFY(::link(QFile::encodeName(file(QStringLiteral("TeskTemp.lst"))).constData(),
                       QFile::encodeName(file(QStringLiteral("tesktemp.lst"))).constData()) == 0);
        for (const QString &name :
             {QStringLiteral("TeskTemp"), QStringLiteral("linked"), QStringLiteral("tesktemp")}) {
            m_prompt.answers = {UserPrompt::Answer::Yes};
            QCOMPARE(loaded().save(name, false, false), ListSaver::Next::StayOpen);
            QVERIFY(m_prompt.shown.last().text.contains(QStringLiteral("working list's own")));
        }
        QCOMPARE(readFile(file(QStringLiteral("TeskTemp.lst"))), before);
        QVERIFY(!QFile::exists(file(QStringLiteral("Data4Excel.lst"))));
        QCOMPARE(m_list->TotalRecords(), 2);
        m_prompt.shown.clear();
        for (const QString &name : {QStringLiteral("../escape"), QStringLiteral(".."),
                                    QStringLiteral("a/b"), QStringLiteral("nul\0x")}) {
            ListSaver saver = loaded();
            QCOMPARE(saver.save(name, true, true), ListSaver::Next::StayOpen);
            QCOMPARE(saver.ReturnCode, 0);
        }
        QCOMPARE(m_prompt.count(QStringLiteral("The file name")), 4);
        // The common file's name from the settings may name a subfolder, but not leave.
        for (const QString &name : {QStringLiteral("../x"), QStringLiteral("/tmp/x"),
                                    QStringLiteral("sub/../../x"), QStringLiteral("..")}) {
            m_settings->WriteProfileKey(QStringLiteral("CommonFileName"), name);
            QCOMPARE(loaded().save(QStringLiteral("fine"), false, false),
                     ListSaver::Next::StayOpen);
            QVERIFY(m_prompt.shown.last().text.contains(QStringLiteral("CommonFileName")));
        }
        QVERIFY(!QFile::exists(file(QStringLiteral("fine.lst"))));
        QVERIFY(!QFile::exists(file(QStringLiteral("x.lst"))));
        QVERIFY(QDir(folder()).mkpath(QStringLiteral("exports")));
        m_settings->WriteProfileKey(QStringLiteral("CommonFileName"),
                                    QStringLiteral("exports/Data4Excel"));
        QCOMPARE(loaded().save(QStringLiteral("inside"), false, false), ListSaver::Next::Close);
        QVERIFY(QFile::exists(file(QStringLiteral("exports/Data4Excel.lst"))));
        startList(2);
        // Spaces are kept and an empty name gives ".lst".
        QCOMPARE(loaded().save(QString(), false, false), ListSaver::Next::Close);
        QVERIFY(QFile::exists(file(QStringLiteral(".lst"))));
    }

    void aSkippedLineIsToldAfterTheSave()
    {
        startList(2);
        m_list->close();
        QFile damaged(m_list->path());
        QVERIFY(damaged.open(QIODevice::Append));
        damaged.write("\"torn\"\r\n\"" + Record.toLatin1() + "\"\r\n");
        damaged.close();
        QCOMPARE(m_list->ReadDb(), WorkingListFile::LoadResult::LinesSkipped);
        ListSaver saver = loaded();
        QCOMPARE(saver.save(QStringLiteral("kept"), false, false), ListSaver::Next::Close);
        QCOMPARE(saver.ReturnCode, 1);
        QCOMPARE(m_prompt.shown.size(), 1);
        QVERIFY2(m_prompt.shown[0].text.startsWith(
                     QStringLiteral("Line 9 of kept.lst cannot be read and is left out.")),
                 qPrintable(m_prompt.shown[0].text));
    }

    void replacingAnExistingFileIsAskedAndADismissedQuestionWritesNothing()
    {
        startList(2);
        QFile old(file(QStringLiteral("TeskData 1.lst")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("keep me");
        old.close();
        ListSaver saver = loaded();
        QCOMPARE(saver.save(saver.edFileName, false, false), ListSaver::Next::StayOpen);
        QCOMPARE(m_prompt.count(QStringLiteral("The file")), 1);
        QCOMPARE(readFile(old.fileName()), QByteArray("keep me"));
        QVERIFY(!QFile::exists(file(QStringLiteral("Data4Excel.lst"))));
        QCOMPARE(m_list->TotalRecords(), 2);
        m_prompt.answers = {UserPrompt::Answer::Yes};
        QCOMPARE(saver.save(saver.edFileName, false, false), ListSaver::Next::Close);
        QVERIFY(readFile(old.fileName()).startsWith("\"Department: "));
    }

    void aFullDiskKeepsTheWorkingListAndReturnsNoSuccess()
    {
        startList(50);
        const QByteArray before = readFile(m_list->path());
        FileSizeLimit fullDisk(before.size() / 2);
        ListSaver saver = loaded();
        const ListSaver::Next next = saver.save(QStringLiteral("full"), false, false);
        fullDisk.lift();

        QCOMPARE(next, ListSaver::Next::StayOpen);
        QCOMPARE(m_prompt.count(QStringLiteral("The list was not saved")), 1);
        QCOMPARE(QDir(folder()).entryList({QStringLiteral("full*")}, QDir::Files | QDir::Hidden),
                 QStringList());
        QCOMPARE(readFile(m_list->path()), before);
        QVERIFY(m_list->appendRecord(Record));
        QCOMPARE(m_list->TotalRecords(), 51);
        QVERIFY(!readFile(m_settings->path()).contains("FileNumber"));
    }

    void aCopyCutShortNeverTakesTheSavedFilesPlace()
    {
        const QString target = file(QStringLiteral("kept.lst"));
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the saved list");
        old.close();
        const QByteArray copy(5000, 'x');
        QSaveFile out(target);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(copy), copy.size());
        // The disk took only part of what the copy handed it.
        QVERIFY(out.flush());
        QCOMPARE(::ftruncate(out.handle(), 1000), 0);
        QVERIFY(FileReplacement::commit(out, copy.size()).contains(target));
        QCOMPARE(readFile(target), QByteArray("the saved list"));
        QCOMPARE(
            QDir(folder()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("kept")),
            QStringList{QStringLiteral("kept.lst")});
    }

    void runMacroAnsweredNoWritesNothingAndYesOpensTheMacroWorkbook()
    {
        startList(2);
        ListSaver saver = loaded();
        QCOMPARE(saver.runMacro(saver.edFileName, true), ListSaver::Next::StayOpen);
        QCOMPARE(m_prompt.shown.last().text, ListSaver::MacroQuestion);
        QVERIFY(!QFile::exists(file(QStringLiteral("Data4Excel.lst"))));

        m_prompt.answers = {UserPrompt::Answer::Yes};
        QCOMPARE(saver.runMacro(saver.edFileName, true), ListSaver::Next::Close);
        QCOMPARE(saver.ReturnCode, 1);
        QVERIFY(QFile::exists(file(QStringLiteral("Data4Excel.lst"))));
        QVERIFY(m_prompt.shown.last().text.startsWith(ListSaver::ExcelFailure + u'\n'));
        QVERIFY(m_prompt.shown.last().text.contains(QStringLiteral("template.xls")));

        QFile macro(file(QStringLiteral("template.ods")));
        QVERIFY(macro.open(QIODevice::WriteOnly));
        macro.close();
        startList(2);
        m_prompt.answers = {UserPrompt::Answer::Yes, UserPrompt::Answer::Yes};
        QCOMPARE(loaded().runMacro(QStringLiteral("macro"), false), ListSaver::Next::Close);
        QCOMPARE(m_opener.opened, QStringList{macro.fileName()});
    }
};

QTEST_MAIN(TestListSaver)
#include "tst_list_saver.moc"
