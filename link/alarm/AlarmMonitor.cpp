#include "AlarmMonitor.h"

#include "NumberText.h"
#include "SoundPlayer.h"

#include <limits>

AlarmMonitor::AlarmMonitor(SoundPlayer *player, const QString &soundFile, QObject *parent)
    : QObject(parent)
    , StatusColors{QColor(0, 255, 0), QColor(255, 255, 0), QColor(255, 0, 0), QColor(128, 255, 255)}
    , m_player(player)
    , m_soundFile(soundFile)
{
    Q_ASSERT(player);
    m_player->setParent(this);
    connect(m_player, &SoundPlayer::playbackFinished, this, &AlarmMonitor::soundCompleted);
    connect(m_player, &SoundPlayer::unavailable, this, &AlarmMonitor::reportUnavailable);

    tmrLostContact.setInterval(1000);
    connect(&tmrLostContact, &QTimer::timeout, this, &AlarmMonitor::lostContactTick);
}

void AlarmMonitor::takeReading(const QString &vl)
{
    resetLostTicks();
    checkThreshold(vl);
}

void AlarmMonitor::checkThreshold(const QString &vl)
{
    const double value = NumberText::leadingNumber(vl);
    const bool audible = AudioAlarm == 1;
    if (value > Threshold2)
        showLevel(AboveThreshold2, audible);
    else if (value > Threshold1)
        showLevel(AboveThreshold1, audible);
    else
        showLevel(Normal, false);
}

void AlarmMonitor::resetLostTicks()
{
    LostTicks = 0;
}

void AlarmMonitor::lostContactTick()
{
    if (AlarmLevel == LostContact)
        return;
    // A huge interval must not wrap the count round to a negative number.
    if (LostTicks < std::numeric_limits<qint16>::max())
        ++LostTicks;
    if (LostTicks > LostContactInterval) {
        LostTicks = 0;
        showLevel(LostContact, true);
    }
}

void AlarmMonitor::MakeSound()
{
    if (!SoundIdle)
        return;
    SoundIdle = false;
    m_player->play(m_soundFile);
}

void AlarmMonitor::MuteAlarm()
{
    SoundIdle = true;
}

void AlarmMonitor::setLostContactTimerEnabled(bool enabled)
{
    if (enabled)
        tmrLostContact.start();
    else
        tmrLostContact.stop();
}

bool AlarmMonitor::isLostContactTimerEnabled() const
{
    return tmrLostContact.isActive();
}

void AlarmMonitor::soundCompleted(int code)
{
    if (code != SoundPlayer::Finished) {
        // Left running, the repetition would block every later alarm from sounding.
        SoundIdle = true;
        return;
    }
    if (!SoundIdle)
        m_player->play(m_soundFile);
}

void AlarmMonitor::showLevel(Level level, bool soundOnEntry)
{
    const bool entering = AlarmLevel != level;
    AlarmLevel = level;
    emit valueColourChanged(StatusColors[static_cast<std::size_t>(level)]);
    if (entering)
        emit alarmLevelChanged(level);
    if (entering && soundOnEntry)
        MakeSound();
}

void AlarmMonitor::reportUnavailable(const QString &reason)
{
    if (m_unavailableReported)
        return;
    m_unavailableReported = true;
    emit soundUnavailable(reason);
}
