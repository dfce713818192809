#include "CommandFrame.h"

#include "NumberText.h"

namespace {

// The codes of the first two characters of a "##00" text.
void putTwoCharacters(QByteArray &frame, int index, double value)
{
    const QString text = NumberText::atLeastTwoDigits(value);
    frame[index] = static_cast<char>(text.at(0).unicode());
    frame[index + 1] = static_cast<char>(text.at(1).unicode());
}

} // namespace

QByteArray CommandFrame::plain(quint8 code)
{
    QByteArray frame(Length, '0');
    frame[0] = 1;
    frame[1] = static_cast<char>(code);
    frame[9] = 4;
    return frame;
}

QByteArray CommandFrame::onlineStart(double minutes, double seconds)
{
    QByteArray frame = plain(Online);
    putTwoCharacters(frame, 2, minutes);
    putTwoCharacters(frame, 4, seconds);
    return frame;
}

QByteArray CommandFrame::setClock(const QDateTime &dateTime)
{
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    QByteArray frame(Length, '\0');
    frame[0] = 1;
    frame[1] = static_cast<char>(SetClock);
    frame[2] = static_cast<char>(date.month());
    frame[3] = static_cast<char>(date.day());
    frame[4] = static_cast<char>(date.year() / 100);
    frame[5] = static_cast<char>(date.year() % 100);
    frame[6] = static_cast<char>(time.hour());
    frame[7] = static_cast<char>(time.minute());
    frame[8] = static_cast<char>(time.second());
    frame[9] = 4;
    return frame;
}

int CommandFrame::codeOf(const QByteArray &frame)
{
    if (frame.size() != Length || frame[0] != 1 || frame[9] != 4)
        return -1;
    return static_cast<quint8>(frame[1]);
}
