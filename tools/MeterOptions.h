#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// Everything the simulated meter can be told, from its command line or in-process.
struct MeterOptions
{
    QString link; // symbolic link to the device; empty for none
    int records = 3;
    quint32 seed = 1;

    // Reading n is values[n % values.size()] + rampStep * n: a constant, a ramp or a
    // cycling list, so a test can cross a threshold on purpose.
    QList<double> values{0.12};
    double rampStep = 0;
    quint8 units = 4; // uSv/h
    quint8 detector = 0;
    quint8 status = 0;
    QString instrument = QStringLiteral("SIM-0000001");

    QString calibrationMeter = QStringLiteral("SIM00001");
    double calibrationFactor = 1.0;
    QString calibratedBy = QStringLiteral("J. Tester");
    QDate calibrationDue = QDate(2027, 6, 30);

    // Faults; 0 switches each off.
    int split = 1;
    int corruptEvery = 0;
    int dropEvery = 0;
    bool silent = false;
    int noise = 0; // a garbage burst of this many bytes (26 to 100) after every message
    int closeAfter = 0;
    bool pace = false;
    // Online readings every this many milliseconds, whatever interval was asked
    // for; 0: the asked interval. Lets a test collect thousands of readings quickly.
    int onlineMs = 0;
    // End when standard input reaches its end: the program that started the
    // meter holds the other end of that pipe for as long as it runs.
    bool endWithInput = false;

    QString logFile; // empty: standard error

    // Reads the command line (arguments[0] is the program); nullopt after a usage error,
    // which is then in *error.
    static std::optional<MeterOptions> fromArguments(const QStringList &arguments, QString *error);
};
