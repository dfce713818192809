#pragma once

#include "CliArguments.h"
#include "CliCommand.h"

class Clock;
class ConsoleOutput;
class ProfileFile;

// Writes the survey report (PDF) of a list file, with the thresholds and
// calibration due dates of the settings.
class ReportCommand : public CliCommand
{
    Q_OBJECT

public:
    ReportCommand(const CliArguments::Request &request, ConsoleOutput &output,
                  const ProfileFile &settings, const Clock &clock, QObject *parent = nullptr);

    void start() override;

    // Empty when the report may be written to the request's file, else why not.
    static QString targetProblem(const CliArguments::Request &request);

private:
    CliArguments::Request m_request;
    ConsoleOutput &m_output;
    const ProfileFile &m_settings;
    const Clock &m_clock;
};
