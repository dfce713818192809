#pragma once

#include <QtGlobal>

#include <optional>

class QIODevice;

// The format and the size of the sound data of a RIFF WAVE file, read from its header.
class WaveHeader
{
public:
    quint16 formatTag = 0; // 1 = integer PCM
    quint16 channels = 0;
    quint32 sampleRate = 0;
    quint32 byteRate = 0;
    quint16 blockAlign = 0;
    quint16 bitsPerSample = 0;
    // Bytes of sound data actually present: a header that promises more than the
    // file holds is taken at what the file holds.
    quint32 dataSize = 0;

    // Reads the header from the device's current position. Nothing for a text that
    // is not a WAVE file with a usable format chunk followed by a data chunk.
    static std::optional<WaveHeader> read(QIODevice &device);

    // Playing time of the sound data in milliseconds.
    qint64 durationMs() const;
};
