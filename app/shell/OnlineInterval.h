#pragma once

#include <QString>

class ProfileFile;

// The online interval, minutes and seconds, kept for the whole run. It is
// loaded from the settings once, on first use, and changed only when the
// user confirms the interval dialog.
class OnlineInterval
{
public:
    explicit OnlineInterval(const ProfileFile &settings);

    double Minutes = 0;
    double Seconds = 0;

    bool isNonZero() const { return Minutes != 0 || Seconds != 0; }

    // "##00" texts for the dialog's boxes.
    QString minutesText() const;
    QString secondsText() const;

    // Takes the boxes' texts (leading-number rule) and stores MinInt and SecInt.
    void confirm(const QString &minutesText, const QString &secondsText);

private:
    const ProfileFile &m_settings;
};
