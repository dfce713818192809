#include "BrokerAddress.h"

#include <QObject>
#include <QUrl>

std::optional<BrokerAddress> BrokerAddress::parse(const QString &url, QString *problem)
{
    const auto refuse = [&](const QString &why) -> std::optional<BrokerAddress> {
        *problem = QObject::tr("The broker address \"%1\" is not usable: %2").arg(url, why);
        return std::nullopt;
    };
    const QUrl parsed(url.trimmed(), QUrl::StrictMode);
    if (!parsed.isValid() || parsed.scheme().isEmpty())
        return refuse(QObject::tr("write it as mqtt://host[:port] or mqtts://host[:port]."));
    BrokerAddress address;
    const QString scheme = parsed.scheme().toLower();
    if (scheme == QStringLiteral("mqtts"))
        address.tls = true;
    else if (scheme != QStringLiteral("mqtt"))
        return refuse(QObject::tr("it must begin with mqtt:// or mqtts://."));
    address.host = parsed.host();
    if (address.host.isEmpty())
        return refuse(QObject::tr("the host is missing."));
    if (!parsed.userInfo().isEmpty())
        return refuse(QObject::tr("give the user and the password with their own settings."));
    if ((!parsed.path().isEmpty() && parsed.path() != QStringLiteral("/")) || parsed.hasQuery() ||
        parsed.hasFragment())
        return refuse(QObject::tr("only a host and a port can be given."));
    const int port = parsed.port(address.tls ? TlsPort : PlainPort);
    if (port <= 0 || port > 65535)
        return refuse(QObject::tr("the port must be 1 to 65535."));
    address.port = static_cast<quint16>(port);
    return address;
}

QString BrokerAddress::hostAndPort() const
{
    return (host.contains(QChar(u':')) ? QChar(u'[') + host + QChar(u']') : host) + QChar(u':') +
           QString::number(port);
}
