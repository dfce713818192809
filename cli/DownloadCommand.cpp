#include "DownloadCommand.h"

#include "CommandFrame.h"
#include "ConsoleOutput.h"
#include "ExportCommand.h"
#include "MeasurementDecoder.h"
#include "MeterSession.h"
#include "RecordLine.h"
#include "WorkbookWriter.h"

#include <QDateTime>

DownloadCommand::DownloadCommand(const CliArguments::Request &request, QStringList legendLines,
                                 MeterSession &session, ConsoleOutput &output, QObject *parent)
    : CollectionCommand(request, std::move(legendLines), session, output, parent)
{
    connect(&m_session, &MeterSession::replyFailed, this,
            [this](bool missing) { m_faults.note(missing, m_records); });
}

void DownloadCommand::start()
{
    if (!m_request.workbook.isEmpty()) {
        // A workbook that cannot be written is refused before the meter is read.
        if (const QString problem =
                WorkbookWriter::check(m_request.list, m_request.workbook,
                                      m_request.workbookTemplate, m_request.replaceWorkbook, false);
            !problem.isEmpty()) {
            m_output.message(problem);
            finish(CliArguments::Failure);
            return;
        }
    }
    if (!openListAndPort())
        return;
    InstrumentLink &link = m_session.link();
    link.resetErrorCount();
    link.Downloading = true;
    link.TestPending = false;
    // As the window's Get Data: online collection is stopped first.
    link.SendCommand(CommandFrame::Online, false, true);
    link.SendCommand(CommandFrame::GetStoredData, true, true);
    m_output.progress(tr("Downloading from %1 ...").arg(m_request.port));
}

void DownloadCommand::reading(const QByteArray &message)
{
    InstrumentLink &link = m_session.link();
    if (!link.Downloading)
        return; // a late reading after the end
    if (MeasurementDecoder::isEndOfData(message)) {
        endOfData();
        return;
    }
    const MeasurementRecord r = MeasurementDecoder::GetDataFromMess(message, true, {});
    // The next record is asked for at once, so the line carries it while this
    // one is stored.
    link.SendCommand(CommandFrame::NextRecord, true, false);
    if (!m_list.appendRecord(RecordLine::format(r))) {
        // The meter still holds every record: stop rather than ask for records
        // that cannot be stored.
        link.Downloading = false;
        failed(tr("The download stopped: %1 cannot be written; the records not stored are "
                  "still in the instrument.")
                   .arg(m_request.list));
        return;
    }
    ++m_records;
    m_output.progress(
        tr("Downloading from %1: %2 records").arg(m_request.port, QString::number(m_records)));
}

void DownloadCommand::endOfData()
{
    m_session.link().Downloading = false;
    m_session.close();
    m_list.close();
    m_output.endProgress();
    m_output.line(m_records == 0
                      ? tr("No data in instrument.")
                      : tr("Downloaded %1 records to %2.").arg(m_records).arg(m_request.list));
    // The records that did arrive are kept and saved; the exit status says
    // that the list may not hold them all.
    for (const QString &where : m_faults.lines())
        m_output.message(where + QChar(u'.'));
    if (m_faults.count() > 0)
        m_output.message(m_faults.summary() +
                         tr(": download again into a new list to be sure of them all."));
    if (!m_request.workbook.isEmpty() && !ExportCommand::saveWorkbook(m_request, m_output)) {
        finish(CliArguments::Failure);
        return;
    }
    finish(m_faults.count() > 0 ? CliArguments::Failure : CliArguments::Success);
}

void DownloadCommand::failed(const QString &reason)
{
    m_session.close();
    m_list.close();
    m_output.message(reason);
    if (m_records > 0)
        m_output.message(
            tr("%1 records arrived and are kept in %2.").arg(m_records).arg(m_request.list));
    finish(CliArguments::Failure);
}
