#include "CliArguments.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QObject>
#include <QRegularExpression>

#include <array>

namespace {

struct CommandInfo
{
    const char *word;
    CliArguments::Command command;
    const char *summary;
    const char *positional; // the one positional argument, or nullptr
};

constexpr std::array<CommandInfo, 7> Commands{{
    {"test", CliArguments::Command::Test, "Test the line: the meter answers with one reading.",
     nullptr},
    {"set-time", CliArguments::Command::SetTime, "Set the meter's clock to the computer's clock.",
     nullptr},
    {"calibration", CliArguments::Command::Calibration, "Read the meter's calibration record.",
     nullptr},
    {"download", CliArguments::Command::Download,
     "Download the readings stored in the meter to a list file (and a workbook).", nullptr},
    {"monitor", CliArguments::Command::Monitor,
     "Collect readings online at an interval until interrupted (Ctrl+C).", nullptr},
    {"export", CliArguments::Command::Export, "Save a list file as a spreadsheet workbook (.xlsx).",
     "FILE.lst"},
    {"report", CliArguments::Command::Report, "Write the survey report of a list file (PDF).",
     "FILE.lst"},
}};

const QString Program = QStringLiteral("tesk-cli");

QCommandLineOption option(const char *name, const char *description, const char *value = nullptr)
{
    if (value == nullptr)
        return QCommandLineOption(QString::fromLatin1(name), QObject::tr(description));
    return QCommandLineOption(QString::fromLatin1(name), QObject::tr(description),
                              QString::fromLatin1(value));
}

bool validTopicPrefix(const QString &prefix)
{
    return !prefix.isEmpty() && !prefix.contains(QChar(u'+')) && !prefix.contains(QChar(u'#')) &&
           !prefix.endsWith(QChar(u'/')) && !prefix.contains(QChar(u'\0'));
}

} // namespace

QString CliArguments::overview()
{
    QString text = QObject::tr("Usage: %1 COMMAND [OPTIONS]\n\nTESK Meter View from the command "
                               "line.\n\nCommands:\n")
                       .arg(Program);
    for (const CommandInfo &info : Commands)
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(info.word), -13)
                    .arg(QObject::tr(info.summary));
    text += QObject::tr("\n'%1 COMMAND --help' describes a command's options; '%1 --version' "
                        "shows the version.\n"
                        "Exit status: 0 success, 1 failure, 2 usage error.\n")
                .arg(Program);
    return text;
}

bool CliArguments::parseInterval(const QString &text, int &minutes, int &seconds)
{
    const QStringList parts = text.split(QChar(u':'));
    if (parts.size() != 2)
        return false;
    bool minutesOk = false;
    bool secondsOk = false;
    minutes = parts[0].toInt(&minutesOk);
    seconds = parts[1].toInt(&secondsOk);
    // Only two characters of each part reach the meter.
    return minutesOk && secondsOk && minutes >= 0 && minutes <= 99 && seconds >= 0 &&
           seconds <= 99 && minutes + seconds > 0 && parts[0].size() <= 2 && parts[1].size() <= 2;
}

CliArguments::Outcome CliArguments::parse(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return {std::nullopt, QObject::tr("No command given.\n\n") + overview(), UsageError};
    const QString word = arguments.first();
    if (word == QStringLiteral("--help") || word == QStringLiteral("-h") ||
        word == QStringLiteral("help"))
        return {std::nullopt, overview(), Success};
    if (word == QStringLiteral("--version"))
        return {std::nullopt,
                QStringLiteral("%1 %2\n").arg(Program, QCoreApplication::applicationVersion()),
                Success};
    const CommandInfo *info = nullptr;
    for (const CommandInfo &candidate : Commands) {
        if (word == QLatin1String(candidate.word))
            info = &candidate;
    }
    if (info == nullptr)
        return {std::nullopt, QObject::tr("Unknown command \"%1\".\n\n").arg(word) + overview(),
                UsageError};

    const Command command = info->command;
    const bool onLine = command != Command::Export && command != Command::Report;
    const bool collects = command == Command::Download || command == Command::Monitor;
    QCommandLineParser parser;
    parser.setApplicationDescription(QObject::tr(info->summary));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QObject::tr("Show this help."));
    const QCommandLineOption port =
        option("port", "The meter's serial device, for example /dev/ttyUSB0.", "DEV");
    const QCommandLineOption list = option("list", "The list file the readings go to.", "FILE");
    const QCommandLineOption append =
        option("append", "Add the readings to an existing list file.");
    const QCommandLineOption fresh =
        option("new", "Start an existing list file afresh (its readings are lost).");
    const QCommandLineOption workbook =
        option("xlsx",
               command == Command::Export ? "The workbook to write."
                                          : "Also save the list as this workbook.",
               "FILE");
    const QCommandLineOption workbookTemplate =
        option("template",
               "The workbook template (default: MyTemp.xlsx in the program folder, else the "
               "program's own).",
               "T");
    const QCommandLineOption replace =
        option("replace", command == Command::Report ? "Replace an existing report."
                                                     : "Replace an existing workbook.");
    const QCommandLineOption pdf = option("pdf", "The report to write.", "OUT.pdf");
    const QCommandLineOption interval =
        option("interval", "The online interval, minutes and seconds (00:01 to 99:99).", "MM:SS");
    const QCommandLineOption mqtt =
        option("mqtt",
               "Also publish each reading and the alarms to this MQTT broker: mqtt://host[:port] "
               "or mqtts://host[:port] (TLS).",
               "URL");
    const QCommandLineOption topic =
        option("topic", "The broker's topics begin with this (default: tesk/<instrument number>).",
               "PREFIX");
    const QCommandLineOption mqttUser = option("mqtt-user", "The user name at the broker.", "NAME");
    const QCommandLineOption mqttPasswordFile = option(
        "mqtt-password-file", "The password at the broker: the first line of this file.", "FILE");
    const QCommandLineOption caFile =
        option("cafile",
               "mqtts: the certificate of the authority that signed the broker's (default: the "
               "system's).",
               "FILE");
    parser.addOption(help);
    if (onLine)
        parser.addOption(port);
    if (collects)
        parser.addOptions({list, append, fresh});
    if (command == Command::Monitor)
        parser.addOptions({interval, mqtt, topic, mqttUser, mqttPasswordFile, caFile});
    if (command == Command::Download || command == Command::Export)
        parser.addOptions({workbook, workbookTemplate, replace});
    if (command == Command::Report)
        parser.addOptions({pdf, replace});
    if (info->positional != nullptr)
        parser.addPositionalArgument(QString::fromLatin1(info->positional),
                                     command == Command::Report
                                         ? QObject::tr("The list file to report on.")
                                         : QObject::tr("The list file to save."));

    const QString usage = Program + QChar(u' ') + word;
    const auto usageError = [&](const QString &problem) {
        return Outcome{
            std::nullopt,
            problem + QStringLiteral("\n\n") +
                parser.helpText().replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                                          QStringLiteral("Usage: ") + usage),
            UsageError};
    };
    if (!parser.parse(QStringList{usage} + arguments.mid(1)))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        return {std::nullopt,
                parser.helpText().replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                                          QStringLiteral("Usage: ") + usage),
                Success};
    }

    Request request;
    request.command = command;
    const QStringList positional = parser.positionalArguments();
    if (info->positional == nullptr && !positional.isEmpty())
        return usageError(QObject::tr("Unexpected argument \"%1\".").arg(positional.first()));
    if (info->positional != nullptr) {
        if (positional.size() != 1)
            return usageError(QObject::tr("Give one list file to save."));
        request.list = positional.first();
    }
    if (onLine) {
        request.port = parser.value(port);
        if (request.port.isEmpty())
            return usageError(QObject::tr("--port DEV is missing."));
    }
    if (collects) {
        request.list = parser.value(list);
        if (request.list.isEmpty())
            return usageError(QObject::tr("--list FILE is missing."));
        if (parser.isSet(append) && parser.isSet(fresh))
            return usageError(QObject::tr("Give --append or --new, not both."));
        request.existing = parser.isSet(append)  ? Existing::Append
                           : parser.isSet(fresh) ? Existing::StartAfresh
                                                 : Existing::Refuse;
    }
    if (command == Command::Monitor &&
        !parseInterval(parser.value(interval), request.minutes, request.seconds))
        return usageError(QObject::tr("--interval MM:SS is missing or not an interval from "
                                      "00:01 to 99:99."));
    if (command == Command::Monitor) {
        if (parser.isSet(mqtt)) {
            QString problem;
            request.broker = BrokerAddress::parse(parser.value(mqtt), &problem);
            if (!request.broker)
                return usageError(problem);
        } else if (parser.isSet(topic) || parser.isSet(mqttUser) ||
                   parser.isSet(mqttPasswordFile) || parser.isSet(caFile)) {
            return usageError(QObject::tr("--topic, --mqtt-user, --mqtt-password-file and "
                                          "--cafile need --mqtt URL."));
        }
        request.topicPrefix = parser.value(topic);
        if (parser.isSet(topic) && !validTopicPrefix(request.topicPrefix))
            return usageError(QObject::tr("--topic \"%1\" is not usable: give a topic without "
                                          "+ or # that does not end in /.")
                                  .arg(request.topicPrefix));
        request.brokerUser = parser.value(mqttUser);
        request.brokerPasswordFile = parser.value(mqttPasswordFile);
        request.caFile = parser.value(caFile);
        if (!request.brokerPasswordFile.isEmpty() && request.brokerUser.isEmpty())
            return usageError(QObject::tr("--mqtt-password-file needs --mqtt-user NAME."));
        if (!request.caFile.isEmpty() && request.broker && !request.broker->tls)
            return usageError(QObject::tr("--cafile needs an mqtts:// broker."));
    }
    if (command == Command::Download || command == Command::Export) {
        request.workbook = parser.value(workbook);
        request.workbookTemplate = parser.value(workbookTemplate);
        request.replaceWorkbook = parser.isSet(replace);
        if (command == Command::Export && request.workbook.isEmpty())
            return usageError(QObject::tr("--xlsx FILE is missing."));
        if (request.workbook.isEmpty() &&
            (!request.workbookTemplate.isEmpty() || request.replaceWorkbook))
            return usageError(QObject::tr("--template and --replace need --xlsx FILE."));
    }
    if (command == Command::Report) {
        request.pdf = parser.value(pdf);
        request.replacePdf = parser.isSet(replace);
        if (request.pdf.isEmpty())
            return usageError(QObject::tr("--pdf OUT.pdf is missing."));
    }
    return {request, {}, Success};
}
