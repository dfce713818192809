#include "ReportCommand.h"

#include "ConsoleOutput.h"
#include "RegularFile.h"
#include "ReportContext.h"
#include "SavedList.h"
#include "SurveyReport.h"

#include <QFileInfo>

ReportCommand::ReportCommand(const CliArguments::Request &request, ConsoleOutput &output,
                             const ProfileFile &settings, const Clock &clock, QObject *parent)
    : CliCommand(parent), m_request(request), m_output(output), m_settings(settings), m_clock(clock)
{}

QString ReportCommand::targetProblem(const CliArguments::Request &request)
{
    const QFileInfo list(request.list);
    const QFileInfo pdf(request.pdf);
    if (const QString kind = RegularFile::kind(request.list); !kind.isEmpty())
        return tr("%1 is %2, not a list file.").arg(request.list, kind);
    if (!list.isFile())
        return tr("There is no list file %1.").arg(request.list);
    // Through a link or another spelling of the path, the list is the same file.
    const bool same = list.absoluteFilePath() == pdf.absoluteFilePath() ||
                      (pdf.exists() && list.canonicalFilePath() == pdf.canonicalFilePath());
    if (same)
        return tr("The report %1 would replace the list itself: give another name.")
            .arg(request.pdf);
    if (pdf.exists() && (!request.replacePdf || pdf.isDir()))
        return tr("The report %1 exists: give --replace to replace it.").arg(request.pdf);
    return {};
}

void ReportCommand::start()
{
    if (const QString problem = targetProblem(m_request); !problem.isEmpty()) {
        m_output.message(problem);
        finish(CliArguments::Failure);
        return;
    }
    const SavedList list = SavedList::read(m_request.list);
    const QString problem =
        SurveyReport::write(list, m_request.pdf, ReportContext::fromSettings(m_settings, m_clock, m_request.list));
    if (!problem.isEmpty()) {
        m_output.message(problem);
        finish(CliArguments::Failure);
        return;
    }
    m_output.line(tr("Saved the report %1 (%2 records).")
                      .arg(m_request.pdf, QString::number(list.records.size())));
    // The report holds every record; a damaged line still fails the command.
    if (list.skippedLines > 0) {
        m_output.message(
            SavedList::skippedText(m_request.list, list.skippedLines, list.firstSkippedLine));
        finish(CliArguments::Failure);
        return;
    }
    finish(CliArguments::Success);
}
