#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>

class SoundPlayer;

// The alarms of the main window without its widgets: each reading is checked against
// the two thresholds, silence during online collection raises the lost-contact alarm,
// and entering an alarm level starts a sound that repeats until muted.
//
// The window shows valueColourChanged() as the background of the value label and
// soundUnavailable() as a notice. Colours and levels change whether or not the sound
// can be heard.
class AlarmMonitor : public QObject
{
    Q_OBJECT

public:
    enum Level : qint16 {
        Normal = 0,
        AboveThreshold1 = 1,
        AboveThreshold2 = 2,
        LostContact = 3,
    };

    // The monitor becomes the player's parent. soundFile is played by every alarm.
    AlarmMonitor(SoundPlayer *player, const QString &soundFile, QObject *parent = nullptr);

    double Threshold1 = 0;
    double Threshold2 = 0;
    qint16 AudioAlarm = 0;          // 1: the threshold alarms sound
    qint16 LostContactInterval = 0; // seconds of silence before the lost-contact alarm
    qint16 AlarmLevel = Normal;
    qint16 LostTicks = 0; // lost-contact ticks since the last reading
    // Background of the value label for each level.
    std::array<QColor, 4> StatusColors;
    // No alarm sound is repeating: none was started, or it was muted or failed.
    bool SoundIdle = true;

    // A reading has arrived: restarts the lost-contact count and checks the value.
    void takeReading(const QString &vl);
    // Checks the value read from vl; the sound starts only on entering level 1 or 2.
    void checkThreshold(const QString &vl);
    void resetLostTicks();
    // One second of online collection without a reading.
    void lostContactTick();
    // Starts the alarm sound unless it is already repeating.
    void MakeSound();
    // Ends the repetition; the playback under way is heard to its end.
    void MuteAlarm();
    // Runs the lost-contact ticks; on while online collection runs.
    void setLostContactTimerEnabled(bool enabled);
    bool isLostContactTimerEnabled() const;

    QString soundFile() const { return m_soundFile; }

public slots:
    // The player's report on a playback: repeat it while the alarm is not muted.
    void soundCompleted(int code);

signals:
    // Sent by every check and by the lost-contact alarm, changed or not.
    void valueColourChanged(const QColor &colour);
    // Sent only when the level changes.
    void alarmLevelChanged(int level);
    // Sent once per run, the first time the alarm sound cannot be played.
    void soundUnavailable(const QString &reason);

private:
    void showLevel(Level level, bool soundOnEntry);
    void reportUnavailable(const QString &reason);

    SoundPlayer *m_player;
    QString m_soundFile;
    QTimer tmrLostContact;
    bool m_unavailableReported = false;
};
