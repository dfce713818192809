#pragma once

#include "CollectionCommand.h"
#include "DownloadFaults.h"

// Downloads the readings stored in the meter to a list file, with the
// window's Get Data on the line: the online stop, the first request, then the
// next request as each record arrives, until the end-of-data mark. Each
// record is in the file, synced, before the next is counted. The workbook, on
// request, is filled from the list once the download is complete. Bad or
// missing replies on the way make it fail, as records may be missing.
class DownloadCommand : public CollectionCommand
{
    Q_OBJECT

public:
    DownloadCommand(const CliArguments::Request &request, QStringList legendLines,
                    MeterSession &session, ConsoleOutput &output, QObject *parent = nullptr);

    void start() override;

    int recordCount() const { return m_records; }

private:
    void reading(const QByteArray &message) override;
    void endOfData();
    void failed(const QString &reason) override;

    int m_records = 0;
    DownloadFaults m_faults;
};
