#include "SoundEffectPlayer.h"
#include "WaveTone.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

constexpr int GenerousWaitMs = 20000;

quint32 u32At(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

// Claims a sound output, so that QSoundEffect really plays; where there is no sound
// server it then never reports an end of its own.
class OutputClaimingPlayer : public SoundEffectPlayer
{
public:
    bool output = true;

protected:
    bool hasAudioOutput() const override { return output; }
};

} // namespace

class TestAlarmSound : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString tone;

    // Plays the file and waits for its one report; the reasons given are added.
    static int playAndWait(SoundPlayer &player, const QString &file, QStringList &reasons)
    {
        QSignalSpy finished(&player, &SoundPlayer::playbackFinished);
        QSignalSpy unavailable(&player, &SoundPlayer::unavailable);
        player.play(file);
        if (!finished.isEmpty() || !unavailable.isEmpty())
            return -1; // reported from inside play()
        if (!finished.wait(GenerousWaitMs))
            return -2;
        for (const QList<QVariant> &signal : unavailable)
            reasons.append(signal.at(0).toString());
        return finished.at(0).at(0).toInt();
    }

private slots:
    void initTestCase()
    {
        tone = dir.filePath(QStringLiteral("Notify.wav"));
        QVERIFY(WaveTone::writeAlarmWave(tone));
        QVERIFY(!WaveTone::writeAlarmWave(dir.filePath(QStringLiteral("missing/Notify.wav"))));
    }

    void alarmWaveIsAValidPcmFile()
    {
        QFile written(tone);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray wave = written.readAll();
        QCOMPARE(wave.left(16), QByteArray("RIFF") + wave.mid(4, 4) + "WAVEfmt ");
        QCOMPARE(u32At(wave, 4), static_cast<quint32>(wave.size() - 8));
        // 16-byte PCM format: mono, 22050 Hz, 44100 bytes a second, 2-byte frames of 16 bits.
        QCOMPARE(wave.mid(16, 20).toHex(), QByteArray("10000000010001002256000044ac000002001000"));
        QCOMPARE(wave.mid(36, 4), QByteArray("data"));
        QCOMPARE(u32At(wave, 40), static_cast<quint32>(wave.size() - 44));
        const qsizetype samples = (wave.size() - 44) / 2;
        QVERIFY2(samples >= 22050 * 6 / 10 && samples <= 22050 * 8 / 10,
                 QByteArray::number(samples));
    }

    void playbackEndsByTheFileLengthIfNotBefore()
    {
        OutputClaimingPlayer player;
        QStringList reasons;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(playAndWait(player, tone, reasons), SoundPlayer::Finished);
        QVERIFY2(clock.elapsed() >= 600, QByteArray::number(clock.elapsed()));
        QCOMPARE(playAndWait(player, tone, reasons), SoundPlayer::Finished); // as repeated
        QCOMPARE(reasons, QStringList());

        // Playbacks cut short report nothing; theirs would have come before this one.
        QSignalSpy finished(&player, &SoundPlayer::playbackFinished);
        player.play(QStringLiteral("/nonexistent/Notify.wav"));
        player.play(tone);
        player.stop();
        player.play(tone);
        QVERIFY(finished.wait(GenerousWaitMs));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), SoundPlayer::Finished);
    }

    void aMissingFileOrNoSoundOutputIsReportedAsUnavailable()
    {
        for (const bool output : {true, false}) {
            OutputClaimingPlayer player;
            player.output = output;
            const QString file = output ? dir.filePath(QStringLiteral("absent.wav")) : tone;
            QStringList reasons;
            QCOMPARE(playAndWait(player, file, reasons), SoundPlayer::Failed);
            QCOMPARE(reasons.size(), 1);
            QVERIFY2(reasons.at(0).contains(output ? QStringLiteral("absent.wav")
                                                   : QStringLiteral("sound output")),
                     qPrintable(reasons.at(0)));
        }
    }
};

QTEST_GUILESS_MAIN(TestAlarmSound)
#include "tst_alarm_sound.moc"
