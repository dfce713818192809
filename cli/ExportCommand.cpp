#include "ExportCommand.h"

#include "ConsoleOutput.h"
#include "InterruptWatcher.h"
#include "SavedList.h"
#include "WorkbookWriter.h"
#include "Xl.h"

ExportCommand::ExportCommand(const CliArguments::Request &request, ConsoleOutput &output,
                             QObject *parent)
    : CliCommand(parent), m_request(request), m_output(output)
{}

void ExportCommand::start()
{
    finish(saveWorkbook(m_request, m_output) ? CliArguments::Success : CliArguments::Failure);
}

bool ExportCommand::saveWorkbook(const CliArguments::Request &request, ConsoleOutput &output)
{
    const WorkbookWriter::Result result =
        WorkbookWriter::write(request.list, request.workbook, request.workbookTemplate,
                              request.replaceWorkbook, InterruptWatcher::descriptor());
    if (result.interrupted) {
        output.message(tr("Interrupted."));
        return false;
    }
    if (!result.problem.isEmpty()) {
        output.message(result.problem);
        return false;
    }
    if (result.recordsLeftOut > 0)
        output.message(tr("The workbook holds as many records as a worksheet can; %1 records "
                          "did not fit. The list file holds them all.")
                           .arg(result.recordsLeftOut));
    output.line(tr("Saved the workbook %1.").arg(request.workbook));
    if (result.recordsWritten == 0 && result.recordsLeftOut == 0)
        output.message(Xl::NoRecords);
    // The workbook holds every record; a damaged line still fails the command.
    if (result.skippedLines > 0) {
        output.message(
            SavedList::skippedText(request.list, result.skippedLines, result.firstSkippedLine));
        return false;
    }
    return true;
}
