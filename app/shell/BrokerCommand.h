#pragma once

#include "ReadingPublisher.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <optional>

class MainController;
struct MeasurementRecord;

// The window's live readings to an MQTT broker: the setup kept in the
// settings file (the password in a file of the user's own beside it, never in
// the settings), and the publisher run while online collection runs. The
// connection starts with the first reading collected (its instrument number
// names the default topics) and ends cleanly when collection stops. The
// broker's state shows in the link line `lblBroker` and in the trace.
class BrokerCommand : public QObject
{
    Q_OBJECT

public:
    struct Setup
    {
        bool enabled = false;
        QString url;
        QString topic; // empty: tesk/<instrument number>
        QString user;
        QString caFile;

        bool operator==(const Setup &) const = default;
    };

    static inline const QString LinkLine = QStringLiteral("lblBroker");

    explicit BrokerCommand(MainController &controller, QObject *parent = nullptr);

    const Setup &setup() const { return m_setup; }
    QString passwordPath() const;
    bool hasPassword() const;

    // What is wrong with a setup before it is kept: the empty text, or the problem.
    static QString check(const Setup &setup);
    // Keeps the setup, and the password when one is given (an empty one
    // removes the file); the empty text, or what went wrong. A connection
    // under way stops, and the next reading starts one with the new setup.
    QString apply(const Setup &setup, const std::optional<QString> &password);

    ReadingPublisher &publisher() { return m_publisher; }

private:
    void readSetup();
    void readingStored(const MeasurementRecord &record, const QDateTime &taken);
    void collectionStopped();
    void showState();

    MainController &m_controller;
    ReadingPublisher m_publisher;
    Setup m_setup;
    bool m_refused = false; // until the setup changes: refused settings are not tried again
};
