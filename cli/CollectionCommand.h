#pragma once

#include "CliArguments.h"
#include "CliCommand.h"
#include "WorkingListFile.h"

#include <QStringList>

class ConsoleOutput;
class MeterSession;

// A command that collects readings from the meter into a list file (download
// and monitor): the list is opened before the meter's port, so a list that
// cannot be written never sets the meter going.
class CollectionCommand : public CliCommand
{
    Q_OBJECT

protected:
    CollectionCommand(const CliArguments::Request &request, QStringList legendLines,
                      MeterSession &session, ConsoleOutput &output, QObject *parent);

    // Opens the list, then the port; false when either cannot be opened, the
    // command then being ended.
    bool openListAndPort();

    // A message from the meter.
    virtual void reading(const QByteArray &message) = 0;
    // The line failed: the port is gone, or the meter stopped answering.
    virtual void failed(const QString &reason) = 0;

    CliArguments::Request m_request;
    QStringList m_legendLines;
    MeterSession &m_session;
    ConsoleOutput &m_output;
    WorkingListFile m_list;
};
