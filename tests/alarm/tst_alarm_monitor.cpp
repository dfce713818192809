#include "AlarmMonitor.h"
#include "ScriptedSoundPlayer.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const QString SoundFile = QStringLiteral("/opt/tesk/Notify.wav");
const QColor Green(0, 255, 0), Yellow(255, 255, 0), Red(255, 0, 0), LightBlue(128, 255, 255);

} // namespace

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

    // The colour a reading gives the value label.
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
        monitor = new AlarmMonitor(player, SoundFile);
        monitor->Threshold1 = 0.2;
        monitor->Threshold2 = 5;
        monitor->AudioAlarm = 1;
        monitor->LostContactInterval = 5;
    }

    void cleanup() { delete monitor; }

    void readingsColourTheValueAndSoundOnEachLevelEntered()
    {
        struct Step
        {
            const char *vl;
            QColor colour;
            int plays;
        };
        const Step steps[] = {{"0.10", Green, 0},  {"0.20", Green, 0}, {"0.21", Yellow, 1},
                              {"5.00", Yellow, 1}, {"5.01", Red, 2},   {"7.50", Red, 2},
                              {"5.00", Yellow, 3}, {"0.00", Green, 3}};
        QSignalSpy levels(monitor, &AlarmMonitor::alarmLevelChanged);
        for (const Step &step : steps) {
            QCOMPARE(colourOf(step.vl), step.colour);
            QCOMPARE(player->plays.size(), step.plays);
            monitor->MuteAlarm(); // so that each level entered can start the sound afresh
            if (player->playing)
                player->finish();
        }
        QCOMPARE(player->plays, QStringList(3, SoundFile));
        QCOMPARE(levels.size(), 4);
        QCOMPARE(levels.at(1).at(0).toInt(), 2);
        QCOMPARE(levels.at(3).at(0).toInt(), 0);
    }

    void soundRepeatsUntilMutedAndStartsAgainOnTheNextLevel()
    {
        for (const char *vl : {"6", "7", "8"})
            monitor->takeReading(QString::fromLatin1(vl));
        QCOMPARE(player->plays.size(), 1);
        player->finish();
        player->finish();
        QCOMPARE(player->plays.size(), 3);

        monitor->MuteAlarm();
        QCOMPARE(monitor->AlarmLevel, 2);
        player->finish(); // the playback under way is heard to its end
        QCOMPARE(player->plays.size(), 3);

        monitor->takeReading(QStringLiteral("3"));
        QCOMPARE(player->plays.size(), 4);
        // Muted, then a new level before the last playback has ended.
        monitor->MuteAlarm();
        monitor->takeReading(QStringLiteral("9"));
        QCOMPARE(player->plays.size(), 5);
        player->finish();
        QCOMPARE(player->plays.size(), 6);
    }

    void audioSwitchSilencesOnlyTheThresholdAlarms()
    {
        monitor->AudioAlarm = 0;
        QCOMPARE(colourOf("0.50"), Yellow);
        QCOMPARE(colourOf("9.00"), Red);
        QVERIFY(player->plays.isEmpty());
        ticks(6);
        QCOMPARE(monitor->AlarmLevel, 3);
        QCOMPARE(player->plays.size(), 1);
    }

    void lostContactComesOnceAfterTheIntervalUntilAReading()
    {
        QSignalSpy colours(monitor, &AlarmMonitor::valueColourChanged);
        ticks(5);
        QCOMPARE(colours.size(), 0);
        ticks(1);
        QCOMPARE(monitor->AlarmLevel, 3);
        QCOMPARE(colours.at(0).at(0).value<QColor>(), LightBlue);
        QCOMPARE(player->plays.size(), 1);

        monitor->MuteAlarm();
        player->finish();
        ticks(30);
        QCOMPARE(colours.size(), 1);
        QCOMPARE(player->plays.size(), 1);

        // Switching the timer off and on keeps the count; only a reading restarts it.
        QCOMPARE(colourOf("0.10"), Green);
        ticks(3);
        monitor->setLostContactTimerEnabled(true);
        monitor->setLostContactTimerEnabled(false);
        QCOMPARE(monitor->LostTicks, 3);
        ticks(3);
        QCOMPARE(monitor->AlarmLevel, 3);
        QCOMPARE(player->plays.size(), 2);
    }

    void lostContactTimerTicksOnlyWhileEnabled()
    {
        QVERIFY(!monitor->isLostContactTimerEnabled());
        monitor->LostContactInterval = 0;
        QSignalSpy levels(monitor, &AlarmMonitor::alarmLevelChanged);
        monitor->setLostContactTimerEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(levels.size(), 1, 15000);
        QCOMPARE(levels.at(0).at(0).toInt(), 3);
    }

    void hugeIntervalDoesNotWrapTheTickCount()
    {
        monitor->LostContactInterval = monitor->LostTicks = std::numeric_limits<qint16>::max();
        ticks(1);
        QCOMPARE(monitor->LostTicks, std::numeric_limits<qint16>::max());
        QCOMPARE(monitor->AlarmLevel, 0);
    }

    void failedSoundEndsTheRepetitionAndIsToldOnce()
    {
        QSignalSpy unavailable(monitor, &AlarmMonitor::soundUnavailable);
        monitor->takeReading(QStringLiteral("6"));
        player->fail(QStringLiteral("No sound output"));
        QCOMPARE(player->plays.size(), 1);
        QVERIFY(monitor->SoundIdle);

        // Later alarms still try, and colours and levels go on.
        QCOMPARE(colourOf("1.00"), Yellow);
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
