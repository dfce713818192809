#pragma once

#include <QByteArray>
#include <QString>

// The program's own alarm sound: a high and a low beep, 16-bit mono PCM.
class WaveTone
{
public:
    static constexpr int SampleRate = 22050;

    // The bytes of a complete WAV file.
    static QByteArray alarmWave();

    // Writes alarmWave() to the path, replacing the file only once it is written in
    // full. False when the file cannot be written.
    static bool writeAlarmWave(const QString &path);
};
