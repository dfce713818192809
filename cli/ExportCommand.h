#pragma once

#include "CliArguments.h"
#include "CliCommand.h"

class ConsoleOutput;

// Saves a list file as a workbook, filled as the window's save fills it.
class ExportCommand : public CliCommand
{
    Q_OBJECT

public:
    ExportCommand(const CliArguments::Request &request, ConsoleOutput &output,
                  QObject *parent = nullptr);

    void start() override;

    // Fills the request's workbook from its list and tells the user how it went;
    // false when it could not be saved.
    static bool saveWorkbook(const CliArguments::Request &request, ConsoleOutput &output);

private:
    CliArguments::Request m_request;
    ConsoleOutput &m_output;
};
