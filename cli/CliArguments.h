#pragma once

#include "BrokerAddress.h"

#include <QString>
#include <QStringList>

#include <optional>

// The command line of tesk-cli: a command word, then its options. Usage
// errors and help texts are worked out here; nothing is opened.
class CliArguments
{
public:
    enum class Command { Test, SetTime, Calibration, Download, Monitor, Export, Report };

    // What to do with a list file that already exists.
    enum class Existing { Refuse, Append, StartAfresh };

    struct Request
    {
        Command command = Command::Test;
        QString port;
        QString list;
        QString workbook;
        QString workbookTemplate;
        Existing existing = Existing::Refuse;
        bool replaceWorkbook = false;
        QString pdf; // the survey report
        bool replacePdf = false;
        int minutes = 0;
        int seconds = 0;
        // monitor: readings and alarms to an MQTT broker as well
        std::optional<BrokerAddress> broker;
        QString topicPrefix; // empty: tesk/<instrument number>
        QString brokerUser;
        QString brokerPasswordFile;
        QString caFile;
    };

    // Exit codes of the program.
    static constexpr int Success = 0;
    static constexpr int Failure = 1;
    static constexpr int UsageError = 2;

    struct Outcome
    {
        std::optional<Request> request; // empty: print `text` and exit with `exitCode`
        QString text;                   // help (to standard output) or the usage error
        int exitCode = Success;
    };

    // `arguments` are the program's arguments after its name.
    static Outcome parse(const QStringList &arguments);

    // "MM:SS", each part 0 to 99 and not both 0.
    static bool parseInterval(const QString &text, int &minutes, int &seconds);

    static QString overview();
};
