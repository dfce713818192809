#include "ExportCommand.h"

#include "ConsoleOutput.h"
#include "WorkbookWriter.h"

ExportCommand::ExportCommand(const CliArguments::Request &request, ConsoleOutput &output,
                             QObject *parent)
    : CliCommand(parent), m_request(request), m_output(output)
{}

void ExportCommand::start()
{
    const WorkbookWriter::Result result = WorkbookWriter::write(
        m_request.list, m_request.workbook, m_request.workbookTemplate, m_request.replaceWorkbook);
    if (!result.problem.isEmpty()) {
        m_output.message(result.problem);
        finish(CliArguments::Failure);
        return;
    }
    if (result.recordsLeftOut > 0)
        m_output.message(tr("The workbook holds as many records as a worksheet can; %1 records "
                            "did not fit. The list file holds them all.")
                             .arg(result.recordsLeftOut));
    m_output.line(tr("Saved the workbook %1.").arg(m_request.workbook));
    finish(CliArguments::Success);
}
