#include "MeterOptions.h"

#include "DateTimeText.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <limits>

namespace {

std::optional<double> numberOf(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && qIsFinite(value) ? std::optional<double>(value) : std::nullopt;
}

// "constant:V", "ramp:START:STEP" or "list:V1,V2,...".
bool readValues(const QString &text, MeterOptions &options)
{
    const QString kind = text.section(u':', 0, 0);
    const QStringList parts = text.section(u':', 1).split(kind == u"list" ? u',' : u':');
    QList<double> numbers;
    for (const QString &part : parts) {
        const std::optional<double> number = numberOf(part);
        if (!number)
            return false;
        numbers.append(*number);
    }
    if (kind == u"constant" && numbers.size() == 1) {
        options.values = numbers;
        options.rampStep = 0;
    } else if (kind == u"ramp" && numbers.size() == 2) {
        options.values = {numbers[0]};
        options.rampStep = numbers[1];
    } else if (kind == u"list" && !numbers.isEmpty()) {
        options.values = numbers;
        options.rampStep = 0;
    } else {
        return false;
    }
    return true;
}

struct Parser
{
    QCommandLineParser parser;
    QString error;

    QCommandLineOption add(const QString &name, const QString &description,
                           const QString &valueName = {})
    {
        QCommandLineOption option(name, description, valueName);
        parser.addOption(option);
        return option;
    }

    int whole(const QCommandLineOption &option, int current, int lowest, int highest)
    {
        if (!parser.isSet(option))
            return current;
        bool ok = false;
        const int value = parser.value(option).toInt(&ok);
        if (!ok || value < lowest || value > highest)
            error = QStringLiteral("--%1 needs a whole number from %2 to %3")
                        .arg(option.names().constFirst())
                        .arg(lowest)
                        .arg(highest);
        return ok ? qBound(lowest, value, highest) : current;
    }
};

} // namespace

std::optional<MeterOptions> MeterOptions::fromArguments(const QStringList &arguments,
                                                        QString *error)
{
    MeterOptions options;
    Parser p;
    p.parser.setApplicationDescription(
        QStringLiteral("A simulated survey meter on a pseudo-terminal. Prints the device path "
                       "(and the link) on one line, then answers commands until ended."));
    p.parser.addHelpOption();
    p.parser.addVersionOption();
    const auto link = p.add("link", "Symbolic link to the device.", "path");
    const auto records = p.add("records", "Number of stored readings (3).", "n");
    const auto seed = p.add("seed", "Seed of the noise generator (1).", "s");
    const auto values =
        p.add("values", "Readings: constant:V, ramp:START:STEP or list:V1,V2,... (a list cycles).",
              "source");
    const auto units = p.add("units", "Units code (4).", "code");
    const auto detector = p.add("detector", "Detector code (0).", "code");
    const auto status = p.add("status", "Status bits (0).", "code");
    const auto instrument = p.add("instrument", "Instrument number, 11 characters.", "text");
    const auto calMeter = p.add("cal-meter", "Calibration: meter number, 8 characters.", "text");
    const auto calFactor = p.add("cal-factor", "Calibration factor, 0 to 9.999.", "f");
    const auto calName = p.add("cal-name", "Calibration: calibrated by, 12 characters.", "text");
    const auto calDue = p.add("cal-due", "Calibration due date, yyyy-MM-dd.", "date");
    const auto split = p.add("split", "Write each message in n pieces.", "n");
    const auto corrupt = p.add("corrupt-every", "Wrong checksum on every n-th message.", "n");
    const auto drop = p.add("drop-every", "No reply to every n-th command that expects one.", "n");
    const auto silent = p.add("silent", "Answer nothing.");
    const auto noise = p.add("noise",
                             "After every message a garbage burst of n bytes (26 to 100) that ends "
                             "like a message but fails its checksum.",
                             "n");
    const auto closeAfter =
        p.add("close-after", "Close the line after n stored readings were sent.", "n");
    const auto pace = p.add("pace", "Send and read at the speed of a 9600-baud line.");
    const auto onlineMs =
        p.add("online-ms", "Send online readings every n ms, whatever interval was asked.", "n");
    const auto log = p.add("log", "Log file (standard error).", "file");
    const auto endWithInput =
        p.add("end-with-input", "End when standard input closes (its starter has ended).");

    if (!p.parser.parse(arguments)) {
        *error = p.parser.errorText();
        return std::nullopt;
    }
    if (p.parser.isSet(QStringLiteral("help"))) {
        *error = p.parser.helpText();
        return std::nullopt;
    }
    if (p.parser.isSet(QStringLiteral("version"))) {
        *error = QCoreApplication::applicationName() + QChar(u' ') +
                 QCoreApplication::applicationVersion();
        return std::nullopt;
    }
    if (!p.parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument: %1")
                     .arg(p.parser.positionalArguments().constFirst());
        return std::nullopt;
    }
    options.link = p.parser.value(link);
    options.records = p.whole(records, options.records, 0, 100000);
    options.seed = static_cast<quint32>(
        p.whole(seed, static_cast<int>(options.seed), 0, std::numeric_limits<int>::max()));
    options.units = static_cast<quint8>(p.whole(units, options.units, 0, 255));
    options.detector = static_cast<quint8>(p.whole(detector, options.detector, 0, 255));
    options.status = static_cast<quint8>(p.whole(status, options.status, 0, 255));
    options.split = p.whole(split, options.split, 1, 26);
    options.corruptEvery = p.whole(corrupt, options.corruptEvery, 0, 1000000);
    options.dropEvery = p.whole(drop, options.dropEvery, 0, 1000000);
    options.noise = p.whole(noise, options.noise, 0, 100);
    options.closeAfter = p.whole(closeAfter, options.closeAfter, 0, 100000);
    options.silent = p.parser.isSet(silent);
    options.pace = p.parser.isSet(pace);
    options.onlineMs = p.whole(onlineMs, options.onlineMs, 0, 100000);
    options.endWithInput = p.parser.isSet(endWithInput);
    options.logFile = p.parser.value(log);
    if (p.parser.isSet(values) && !readValues(p.parser.value(values), options))
        p.error = QStringLiteral("--values needs constant:V, ramp:START:STEP or list:V1,V2,...");
    if (p.parser.isSet(instrument))
        options.instrument = p.parser.value(instrument);
    if (p.parser.isSet(calMeter))
        options.calibrationMeter = p.parser.value(calMeter);
    if (p.parser.isSet(calName))
        options.calibratedBy = p.parser.value(calName);
    if (p.parser.isSet(calFactor)) {
        const std::optional<double> factor = numberOf(p.parser.value(calFactor));
        if (factor && *factor >= 0 && *factor < 10)
            options.calibrationFactor = *factor;
        else
            p.error = QStringLiteral("--cal-factor needs a number from 0 to 9.999");
    }
    if (p.parser.isSet(calDue)) {
        const auto due = DateTimeText::parse(p.parser.value(calDue));
        if (due && due->time() == QTime(0, 0))
            options.calibrationDue = due->date();
        else
            p.error = QStringLiteral("--cal-due needs a date yyyy-MM-dd");
    }
    if (!p.error.isEmpty()) {
        *error = p.error;
        return std::nullopt;
    }
    return options;
}
