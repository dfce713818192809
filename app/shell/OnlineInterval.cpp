#include "OnlineInterval.h"

#include "NumberText.h"
#include "ProfileFile.h"

OnlineInterval::OnlineInterval(const ProfileFile &settings) : m_settings(settings)
{
    settings.readNumber(QStringLiteral("MinInt"), QStringLiteral("00"), 10, Minutes);
    settings.readNumber(QStringLiteral("SecInt"), QStringLiteral("05"), 10, Seconds);
}

QString OnlineInterval::minutesText() const
{
    return NumberText::atLeastTwoDigits(Minutes);
}

QString OnlineInterval::secondsText() const
{
    return NumberText::atLeastTwoDigits(Seconds);
}

void OnlineInterval::confirm(const QString &minutesText, const QString &secondsText)
{
    Minutes = NumberText::leadingNumber(minutesText);
    Seconds = NumberText::leadingNumber(secondsText);
    m_settings.writeNumber(QStringLiteral("MinInt"), Minutes);
    m_settings.writeNumber(QStringLiteral("SecInt"), Seconds);
}
