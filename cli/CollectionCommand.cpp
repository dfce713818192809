#include "CollectionCommand.h"

#include "CollectionList.h"
#include "ConsoleOutput.h"
#include "MeterSession.h"

CollectionCommand::CollectionCommand(const CliArguments::Request &request, QStringList legendLines,
                                     MeterSession &session, ConsoleOutput &output, QObject *parent)
    : CliCommand(parent)
    , m_request(request)
    , m_legendLines(std::move(legendLines))
    , m_session(session)
    , m_output(output)
    , m_list(request.list)
{
    connect(&m_session, &MeterSession::reading, this,
            [this](const QByteArray &message) { reading(message); });
    connect(&m_session, &MeterSession::failed, this,
            [this](const QString &reason) { failed(reason); });
    connect(&m_list, &WorkingListFile::writeFailed, this,
            [this](const QString &reason) { m_output.message(reason); });
}

bool CollectionCommand::openListAndPort()
{
    if (const QString cause = CollectionList::open(m_list, m_request.existing, m_legendLines);
        !cause.isEmpty()) {
        m_output.message(cause);
        finish(CliArguments::Failure);
        return false;
    }
    if (const QString cause = m_session.open(m_request.port); !cause.isEmpty()) {
        failed(cause);
        return false;
    }
    return true;
}
