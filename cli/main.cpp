// tesk-cli: the meter link, the list file and the workbook without a window.
#include "CalibrationDue.h"
#include "CalibrationRecord.h"
#include "CliArguments.h"
#include "Clock.h"
#include "ConsoleOutput.h"
#include "DownloadCommand.h"
#include "ExportCommand.h"
#include "InterruptWatcher.h"
#include "MeterQuery.h"
#include "MeterSession.h"
#include "MonitorCommand.h"
#include "ProfileFile.h"
#include "ReportCommand.h"
#include "SurveyLegend.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    // The report draws its text and graph with QtGui, which needs a platform:
    // the offscreen one, so no display is needed or touched.
    const bool draws = argc > 1 && qstrcmp(argv[1], "report") == 0;
    if (draws)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        draws ? std::make_unique<QGuiApplication>(argc, argv)
              : std::make_unique<QCoreApplication>(argc, argv);
    // A reader of the output that goes away (a pipe into head) must not end
    // online collection before the meter is told to stop; the list keeps the readings.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication::setApplicationName(QStringLiteral("tesk-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESK_VERSION));

    const CliArguments::Outcome parsed = CliArguments::parse(QCoreApplication::arguments().mid(1));
    if (!parsed.request) {
        std::FILE *stream = parsed.exitCode == CliArguments::Success ? stdout : stderr;
        std::fputs(qPrintable(parsed.text), stream);
        return parsed.exitCode;
    }
    const CliArguments::Request &request = *parsed.request;

    ConsoleOutput output;
    const ProfileFile settings(ProfileFile::standardPath());
    const SystemClock clock;
    SurveyLegend legend(settings);
    CalibrationDue calibrationDue(settings, clock);
    MeterSession session;
    InterruptWatcher interrupts;

    std::unique_ptr<CliCommand> command;
    using Command = CliArguments::Command;
    switch (request.command) {
    case Command::Test:
        command = std::make_unique<MeterQuery>(MeterQuery::Kind::Test, request.port, session,
                                               output, clock);
        break;
    case Command::SetTime:
        command = std::make_unique<MeterQuery>(MeterQuery::Kind::SetTime, request.port, session,
                                               output, clock);
        break;
    case Command::Calibration:
        command = std::make_unique<MeterQuery>(MeterQuery::Kind::Calibration, request.port, session,
                                               output, clock);
        // The record is kept as the window keeps it, for the alarms and the survey report.
        QObject::connect(&session, &MeterSession::calibration, command.get(),
                         [&calibrationDue](const CalibrationRecord &record) {
                             calibrationDue.remember(record);
                         });
        break;
    case Command::Download:
        command = std::make_unique<DownloadCommand>(request, legend.headerLines(), session, output);
        break;
    case Command::Monitor: {
        auto monitor = std::make_unique<MonitorCommand>(request, legend.headerLines(), settings,
                                                        clock, session, output);
        QObject::connect(&interrupts, &InterruptWatcher::interrupted, monitor.get(),
                         &MonitorCommand::interrupt);
        command = std::move(monitor);
        break;
    }
    case Command::Export:
        command = std::make_unique<ExportCommand>(request, output);
        break;
    case Command::Report:
        command = std::make_unique<ReportCommand>(request, output, settings, clock);
        break;
    }
    if (request.command != Command::Monitor) {
        // Interrupted elsewhere, the port is closed and the list is kept as far as written.
        QObject::connect(&interrupts, &InterruptWatcher::interrupted, app.get(),
                         [&output, &session] {
                             session.close();
                             output.message(QObject::tr("Interrupted."));
                             QCoreApplication::exit(CliArguments::Failure);
                         });
    }
    QObject::connect(
        command.get(), &CliCommand::finished, app.get(),
        [](int code) { QCoreApplication::exit(code); }, Qt::QueuedConnection);
    QTimer::singleShot(0, command.get(), &CliCommand::start);
    return QCoreApplication::exec();
}
