#include "SoundEffectPlayer.h"
#include "WaveHeader.h"
#include "WaveTone.h"

#include <QBuffer>
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

qint16 sampleAt(const QByteArray &wave, int index)
{
    return qFromLittleEndian<qint16>(wave.constData() + 44 + 2 * index);
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray chunk(const QByteArray &id, const QByteArray &payload)
{
    return id + le32(static_cast<quint32>(payload.size())) + payload +
           QByteArray(payload.size() % 2, '\0');
}

// 16-bit mono at 8000 Hz, 16000 bytes a second, unless the byte rate says otherwise.
QByteArray format(quint16 tag = 1, quint32 byteRate = 16000)
{
    QByteArray payload = QByteArray::fromHex("00000100401f000000000000020010000000");
    qToLittleEndian(tag, payload.data());
    qToLittleEndian(byteRate, payload.data() + 8);
    return chunk("fmt ", payload.left(16));
}

QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + le32(static_cast<quint32>(chunks.size() + 4)) + "WAVE" + chunks;
}

// Frequency of a stretch of samples, from its zero crossings.
double frequencyOf(const QByteArray &wave, int first, int count)
{
    int crossings = 0;
    for (int i = first + 1; i < first + count; ++i)
        crossings += (sampleAt(wave, i - 1) < 0) != (sampleAt(wave, i) < 0) ? 1 : 0;
    return crossings / 2.0 * WaveTone::SampleRate / count;
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
        QVERIFY(dir.isValid());
        tone = dir.filePath(QStringLiteral("Notify.wav"));
        QVERIFY(WaveTone::writeAlarmWave(tone));
        QVERIFY(!WaveTone::writeAlarmWave(dir.filePath(QStringLiteral("missing/Notify.wav"))));
    }

    void alarmWaveIsTwoBeepsInAValidPcmFile()
    {
        const QByteArray wave = WaveTone::alarmWave();
        QFile written(tone);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), wave);

        QCOMPARE(wave.left(16), QByteArray("RIFF") + le32(u32At(wave, 4)) + "WAVEfmt ");
        QCOMPARE(u32At(wave, 4), static_cast<quint32>(wave.size() - 8));
        // 16-byte PCM format: mono, 22050 Hz, 44100 bytes a second, 2-byte frames of 16 bits.
        QCOMPARE(wave.mid(16, 20).toHex(), QByteArray("10000000010001002256000044ac000002001000"));
        QCOMPARE(wave.mid(36, 4), QByteArray("data"));
        QCOMPARE(u32At(wave, 40), static_cast<quint32>(wave.size() - 44));
        const int samples = static_cast<int>(wave.size() - 44) / 2;
        QVERIFY2(samples >= 22050 * 6 / 10 && samples <= 22050 * 8 / 10,
                 QByteArray::number(samples));

        int peak = 0;
        for (int i = 0; i < samples; ++i)
            peak = qMax(peak, qAbs(int(sampleAt(wave, i))));
        QVERIFY2(peak > 32767 / 4 && peak < 32767, QByteArray::number(peak));
        QVERIFY(qAbs(sampleAt(wave, 0)) < 100 && qAbs(sampleAt(wave, samples - 1)) < 100);
        const double high = frequencyOf(wave, 2000, 4000);
        const double low = frequencyOf(wave, samples / 2 + 2000, 4000);
        QVERIFY2(high > 400 && low > 400 && high < 2000 && low < 2000 && high - low > 100,
                 QByteArray::number(high) + " " + QByteArray::number(low));
    }

    void headerReading_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("dataSize"); // -1: not a usable WAV file

        const QByteArray data = chunk("data", QByteArray(160, '\1'));
        QTest::newRow("plain") << riff(format() + data) << 160;
        QTest::newRow("odd chunk first") << riff(chunk("LIST", "abc") + format() + data) << 160;
        QTest::newRow("data shorter than said")
            << riff(format() + "data" + le32(100000) + QByteArray(50, '\1')) << 50;
        QTest::newRow("data before format") << riff(data + format()) << -1;
        QTest::newRow("no data") << riff(format()) << -1;
        QTest::newRow("zero byte rate") << riff(format(1, 0) + data) << -1;
        QTest::newRow("chunk cut short") << riff(format().left(20)) << -1;
        QTest::newRow("not riff") << QByteArray("Plain text, not a sound at all.") << -1;
    }

    void headerReading()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, dataSize);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const std::optional<WaveHeader> header = WaveHeader::read(buffer);
        QCOMPARE(header ? int(header->dataSize) : -1, dataSize);
        if (header)
            QCOMPARE(header->durationMs(), dataSize * 1000 / 16000);
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

    void unplayableSoundIsReportedAsUnavailable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty: no such file
        QTest::addColumn<bool>("output");
        QTest::addColumn<QString>("mentioned");

        QTest::newRow("missing") << "absent.wav" << QByteArray() << true << "absent.wav";
        QTest::newRow("text") << "text.wav" << QByteArray("Plain text.") << true << "text.wav";
        QTest::newRow("undecodable")
            << "mp3.wav" << riff(format(0x55) + chunk("data", QByteArray(800, 'x'))) << true
            << "mp3.wav";
        QTest::newRow("no sound output")
            << "tone.wav" << WaveTone::alarmWave() << false << "sound output";
    }

    void unplayableSoundIsReportedAsUnavailable()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, output);
        QFETCH(QString, mentioned);

        const QString path = dir.filePath(name);
        QFile file(path);
        QVERIFY(bytes.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(bytes) > 0));
        file.close();
        OutputClaimingPlayer player;
        player.output = output;
        QStringList reasons;
        QCOMPARE(playAndWait(player, path, reasons), SoundPlayer::Failed);
        QCOMPARE(reasons.size(), 1);
        QVERIFY2(reasons.at(0).contains(mentioned), qPrintable(reasons.at(0)));
    }

    // Whatever this machine has, the tone is played to its end or the user is told why not.
    void thisMachinePlaysTheToneOrSaysWhy()
    {
        SoundEffectPlayer player;
        QStringList reasons;
        const int code = playAndWait(player, tone, reasons);
        QVERIFY2(code == SoundPlayer::Finished || code == SoundPlayer::Failed,
                 QByteArray::number(code));
        QCOMPARE(reasons.size(), code == SoundPlayer::Failed ? 1 : 0);
        if (!reasons.isEmpty())
            qInfo("%s", qPrintable(reasons.at(0)));
    }
};

QTEST_GUILESS_MAIN(TestAlarmSound)
#include "tst_alarm_sound.moc"
