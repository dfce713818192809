#include "WaveTone.h"

#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

struct Segment
{
    double frequency; // 0 is silence
    int milliseconds;
};

// High then low, and a short rest so that repeated playbacks stay two separate beeps.
constexpr Segment AlarmSegments[] = {{988.0, 320}, {784.0, 320}, {0.0, 60}};
// Loud enough to be heard across a room, with headroom against clipping.
constexpr double Amplitude = 0.6 * 32767.0;
// Ramps at both ends of each beep; a tone that starts or stops at full level clicks.
constexpr int FadeMilliseconds = 12;

void appendU16(QByteArray &bytes, quint16 value)
{
    char buffer[2];
    qToLittleEndian(value, buffer);
    bytes.append(buffer, 2);
}

void appendU32(QByteArray &bytes, quint32 value)
{
    char buffer[4];
    qToLittleEndian(value, buffer);
    bytes.append(buffer, 4);
}

void appendSegment(QByteArray &samples, const Segment &segment)
{
    const int count = WaveTone::SampleRate * segment.milliseconds / 1000;
    const double fade = WaveTone::SampleRate * FadeMilliseconds / 1000.0;
    const double step = 2.0 * std::numbers::pi * segment.frequency / WaveTone::SampleRate;
    for (int i = 0; i < count; ++i) {
        const double envelope = std::min({1.0, i / fade, (count - 1 - i) / fade});
        const double value =
            segment.frequency > 0.0 ? Amplitude * envelope * std::sin(step * i) : 0.0;
        appendU16(samples, static_cast<quint16>(static_cast<qint16>(std::lround(value))));
    }
}

} // namespace

QByteArray WaveTone::alarmWave()
{
    QByteArray samples;
    for (const Segment &segment : AlarmSegments)
        appendSegment(samples, segment);

    constexpr quint16 Channels = 1;
    constexpr quint16 BitsPerSample = 16;
    constexpr quint16 BlockAlign = Channels * BitsPerSample / 8;
    const auto dataSize = static_cast<quint32>(samples.size());

    QByteArray wave;
    wave.reserve(44 + samples.size());
    wave.append("RIFF");
    appendU32(wave, 36 + dataSize);
    wave.append("WAVE");
    wave.append("fmt ");
    appendU32(wave, 16);
    appendU16(wave, 1); // integer PCM
    appendU16(wave, Channels);
    appendU32(wave, SampleRate);
    appendU32(wave, SampleRate * BlockAlign);
    appendU16(wave, BlockAlign);
    appendU16(wave, BitsPerSample);
    wave.append("data");
    appendU32(wave, dataSize);
    wave.append(samples);
    return wave;
}

bool WaveTone::writeAlarmWave(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray wave = alarmWave();
    if (file.write(wave) != wave.size())
        return false;
    return file.commit();
}
