#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Where the broker listens: "mqtt://host[:port]", or "mqtts://host[:port]" for
// TLS. Nothing else is taken (no path, no user in the address: the user and
// the password have options of their own, so a password never shows in a
// process list).
struct BrokerAddress
{
    static constexpr quint16 PlainPort = 1883;
    static constexpr quint16 TlsPort = 8883;

    QString host;
    quint16 port = PlainPort;
    bool tls = false;

    // The address, or nothing with the reason in *problem.
    static std::optional<BrokerAddress> parse(const QString &url, QString *problem);

    // "host:port" for messages.
    QString hostAndPort() const;
};
