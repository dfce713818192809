#include "ListSaver.h"

#include "Clock.h"
#include "DesktopOpener.h"
#include "ListExport.h"
#include "ProfileFile.h"
#include "ReportContext.h"
#include "SavedList.h"
#include "SurveyLegend.h"
#include "SurveyReport.h"
#include "UserPrompt.h"
#include "WorkingListFile.h"
#include "Xl.h"

#include <QFileInfo>
#include <QObject>

#include <limits>

namespace {

const QString ReportKey = QStringLiteral("SaveReport");

QString reportPath(const QString &folder, const QString &name)
{
    return folder + QChar(u'/') + name + SurveyReport::Extension;
}

} // namespace

ListSaver::ListSaver(const Services &services) : m_services(services) {}

qint16 ListSaver::nextFileNumber(qint16 number)
{
    if (number == std::numeric_limits<qint16>::max())
        return 1;
    return static_cast<qint16>(number + 1);
}

QString ListSaver::suggestedName(const QString &fileName, qint16 number)
{
    return fileName + (number >= 0 ? QStringLiteral(" ") : QString()) + QString::number(number);
}

void ListSaver::load()
{
    const ProfileFile &settings = m_services.settings;
    settings.readInt16(QStringLiteral("FileNumber"), QStringLiteral("00"), 9, FileNumber);
    settings.readText(QStringLiteral("FileName"), QStringLiteral("TeskData"), 29, FileName);
    if (settings.readInt16(QStringLiteral("OpenExel"), QStringLiteral("1"), 29, OpenExel)) {
        FileNumber = nextFileNumber(FileNumber);
        edFileName = suggestedName(FileName, FileNumber);
        // Ticking the box counts as a click on it, which stores the choice.
        openExcelTicked = OpenExel != 0;
        if (openExcelTicked)
            openExcelChanged(true);
    }
    qint16 report = 0;
    settings.readInt16(ReportKey, QStringLiteral("0"), 29, report);
    reportTicked = report != 0;
    settings.readText(QStringLiteral("CommonFileName"), QStringLiteral("Data4Excel"), 29,
                      CommonFileName);
}

void ListSaver::openExcelChanged(bool ticked)
{
    m_services.settings.writeNumber(QStringLiteral("OpenExel"), ticked ? 1 : 0);
}

void ListSaver::reportChanged(bool ticked)
{
    m_services.settings.writeNumber(ReportKey, ticked ? 1 : 0);
}

void ListSaver::tell(const QString &text)
{
    m_services.prompt.show({text, {}, UserPrompt::Icon::Exclamation, UserPrompt::Buttons::Ok});
}

bool ListSaver::writeTextFiles(const QString &name, bool withWorkbook, bool withReport)
{
    QString problem = ListExport::nameProblem(name);
    if (problem.isEmpty())
        problem = ListExport::commonNameProblem(CommonFileName);
    if (problem.isEmpty())
        problem = ListExport::targetProblem(m_services.list, m_services.programFolder, name,
                                            CommonFileName);
    if (!problem.isEmpty()) {
        tell(problem);
        return false;
    }
    // The common file is the fixed hand-over file and is replaced without asking.
    QString existing = ListExport::listPath(m_services.programFolder, name);
    if (name == CommonFileName || !QFileInfo::exists(existing))
        existing.clear();
    const QString workbook = m_services.programFolder + QChar(u'/') + name + Xl::WorkbookExtension;
    if (existing.isEmpty() && withWorkbook && QFileInfo::exists(workbook))
        existing = workbook;
    const QString report = reportPath(m_services.programFolder, name);
    if (existing.isEmpty() && withReport && QFileInfo::exists(report))
        existing = report;
    if (!existing.isEmpty()) {
        const auto answer = m_services.prompt.show(
            {QObject::tr("The file %1 already exists.\nDo you want to replace it?").arg(existing),
             {},
             UserPrompt::Icon::Question,
             UserPrompt::Buttons::YesNo});
        if (answer != UserPrompt::Answer::Yes)
            return false;
    }
    m_services.busy(true);
    const ListExport::Result result =
        ListExport::WriteListFiles(m_services.list, m_services.programFolder, name, CommonFileName,
                                   m_services.legend.headerLines());
    m_services.busy(false);
    if (!result.saved) {
        tell(QObject::tr("The list was not saved, and the working list is kept as it was.\n%1")
                 .arg(result.problem));
        return false;
    }
    // The counter moves on only for a list that was saved.
    m_services.settings.writeNumber(QStringLiteral("FileNumber"), FileNumber);
    ReturnCode = 1;
    return true;
}

void ListSaver::writeReport(const QString &name)
{
    m_services.busy(true);
    // The report is made from the list as saved, read back like any saved list.
    const QString listPath = ListExport::listPath(m_services.programFolder, name);
    const SavedList list = SavedList::read(listPath);
    const SystemClock systemClock;
    const Clock &clock = m_services.clock ? *m_services.clock : systemClock;
    const QString problem =
        SurveyReport::write(list, reportPath(m_services.programFolder, name),
                            ReportContext::fromSettings(m_services.settings, clock, listPath));
    m_services.busy(false);
    if (!problem.isEmpty())
        tell(QObject::tr("The survey report was not saved; the text files are.\n%1").arg(problem));
}

ListSaver::Next ListSaver::save(const QString &name, bool saveInExcel, bool openExcel,
                                bool saveReport)
{
    // A list of the legend alone is saved as any other; the restart below
    // forgets what its load skipped, so that is taken first.
    qint64 skipped = m_services.list.skippedLines();
    qint64 firstSkipped = m_services.list.firstSkippedLine();
    if (!writeTextFiles(name, saveInExcel, saveReport))
        return Next::StayOpen;
    if (saveReport)
        writeReport(name);
    if (saveInExcel) {
        m_services.busy(true);
        Xl xl(m_services.programFolder, m_services.prompt, m_services.opener, m_services.clock);
        const bool saved = xl.SaveXl(name, !openExcel);
        m_services.busy(false);
        if (!saved)
            tell(ExcelFailure + QChar(u'\n') + xl.problem());
        else if (xl.recordsLeftOut() > 0)
            tell(QObject::tr("The workbook holds as many records as a worksheet can; %1 records "
                             "did not fit. The text files hold them all.")
                     .arg(xl.recordsLeftOut()));
        if (skipped == 0) {
            skipped = xl.skippedLines();
            firstSkipped = xl.firstSkippedLine();
        }
    }
    // Told once the files are written: the lines are damaged, not the save.
    if (skipped > 0)
        tell(SavedList::skippedText(name + ListExport::Extension, skipped, firstSkipped) +
             QChar(u'\n') +
             QObject::tr("The list is saved; the text files keep the line as it was."));
    return Next::Close;
}

ListSaver::Next ListSaver::runMacro(const QString &name, bool openExcel)
{
    const auto answer = m_services.prompt.show(
        {MacroQuestion, {}, UserPrompt::Icon::None, UserPrompt::Buttons::YesNo});
    if (answer != UserPrompt::Answer::Yes)
        return Next::StayOpen;
    if (!writeTextFiles(name, false))
        return Next::StayOpen;
    Xl xl(m_services.programFolder, m_services.prompt, m_services.opener);
    if (!xl.OpenTemplate(!openExcel))
        tell(ExcelFailure + QChar(u'\n') + xl.problem());
    return Next::Close;
}
