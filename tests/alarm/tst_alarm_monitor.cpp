#include "AlarmMonitor.h"
#include "ScriptedSoundPlayer.h"

#include <QSignalSpy>
#include <QTest>

// Colours, sound on entry, muting and one lost-contact alarm are driven through the
// whole program in tests/app; these are the cases it does not reach.
class TestAlarmMonitor : public QObject
{
    Q_OBJECT

    ScriptedSoundPlayer *player = nullptr;
    AlarmMonitor *monitor = nullptr;

    void ticks(int count)
    {
        for (int tick = 0; tick < count; ++tick)
            monitor->lostContactTick();
    }

    QColor colourOf(const char *vl)
    {
        QSignalSpy colours(monitor, &AlarmMonitor::valueColourChanged);
        monitor->takeReading(QString::fromLatin1(vl));
        return colours.size() == 1 ? colours.at(0).at(0).value<QColor>() : QColor();
    }

private slots:
    void init()
    {
        player = new ScriptedSoundPlayer;
        monitor = new AlarmMonitor(player, QStringLiteral("/opt/tesk/Notify.wav"));
        monitor->Threshold1 = 0.2;
        monitor->Threshold2 = 5;
        monitor->AudioAlarm = 1;
        monitor->LostContactInterval = 5;
    }

    void cleanup() { delete monitor; }

    void audioSwitchSilencesOnlyTheThresholdAlarms()
    {
        monitor->AudioAlarm = 0;
        QCOMPARE(colourOf("0.50"), QColor(255, 255, 0));
        QCOMPARE(colourOf("9.00"), QColor(255, 0, 0));
        QVERIFY(player->plays.isEmpty());
        ticks(6);
        QCOMPARE(monitor->AlarmLevel, 3);
        QCOMPARE(player->plays.size(), 1);
    }

    void eachLevelEnteredSoundsAfreshEvenAfterAMute()
    {
        monitor->takeReading(QStringLiteral("6"));
        monitor->MuteAlarm();
        player->finish();
        // Down to level 1 is a level entered too.
        monitor->takeReading(QStringLiteral("3"));
        QCOMPARE(player->plays.size(), 2);
        // Muted, then a new level before the last playback has ended: it repeats again.
        monitor->MuteAlarm();
        monitor->takeReading(QStringLiteral("9"));
        QCOMPARE(player->plays.size(), 3);
        player->finish();
        QCOMPARE(player->plays.size(), 4);
    }

    void switchingTheTimerDoesNotRestartTheLostContactCount()
    {
        ticks(3);
        monitor->setLostContactTimerEnabled(true);
        monitor->setLostContactTimerEnabled(false);
        ticks(3);
        QCOMPARE(monitor->AlarmLevel, 3);
    }

    void aHugeIntervalNeverWrapsTheCountIntoAnAlarm()
    {
        monitor->LostContactInterval = monitor->LostTicks = std::numeric_limits<qint16>::max();
        ticks(1);
        QCOMPARE(monitor->LostTicks, std::numeric_limits<qint16>::max());
        QCOMPARE(monitor->AlarmLevel, 0);
    }

    void theLostContactTimerTicksWhileEnabled()
    {
        monitor->LostContactInterval = 0;
        QSignalSpy levels(monitor, &AlarmMonitor::alarmLevelChanged);
        monitor->setLostContactTimerEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(levels.size(), 1, 15000);
        QCOMPARE(levels.at(0).at(0).toInt(), 3);
    }

    void failedSoundEndsTheRepetitionAndIsToldOnce()
    {
        QSignalSpy unavailable(monitor, &AlarmMonitor::soundUnavailable);
        monitor->takeReading(QStringLiteral("6"));
        player->fail(QStringLiteral("No sound output"));
        QCOMPARE(player->plays.size(), 1);
        QVERIFY(monitor->SoundIdle);

        // Later alarms still try, and colours and levels go on.
        QCOMPARE(colourOf("1.00"), QColor(255, 255, 0));
        player->fail(QStringLiteral("No sound output"));
        ticks(6);
        QCOMPARE(monitor->AlarmLevel, 3);
        QCOMPARE(player->plays.size(), 3);
        QCOMPARE(unavailable.size(), 1);
        QCOMPARE(unavailable.at(0).at(0).toString(), QStringLiteral("No sound output"));
    }
};

QTEST_GUILESS_MAIN(TestAlarmMonitor)
#include "tst_alarm_monitor.moc"
