#pragma once

#include "SoundPlayer.h"

#include <QTimer>

class QSoundEffect;

// Plays WAV files through the system's sound output.
//
// Some outputs never say that a sound has ended (a machine without a sound server
// takes the sound and keeps "playing" for ever), so every playback is also ended by
// the file's own length: a timer of that length plus EndMarginMs reports Finished
// unless the output has done so first.
class SoundEffectPlayer : public SoundPlayer
{
    Q_OBJECT

public:
    static constexpr int EndMarginMs = 500;

    explicit SoundEffectPlayer(QObject *parent = nullptr);
    ~SoundEffectPlayer() override;

    void play(const QString &file) override;
    void stop() override;

protected:
    // Asked at every play(): speakers may be plugged in or a sound server started
    // while the program runs.
    virtual bool hasAudioOutput() const;

private:
    // Length of the sound in milliseconds, or -1 with the reason it cannot be played.
    static qint64 soundLength(const QString &file, QString &reason);
    void startEffect(const QString &file);
    void retireEffect();
    void effectPlayingChanged();
    void effectStatusChanged();
    void finish(quint64 playback, int code, const QString &reason);
    void finishLater(quint64 playback, int code, const QString &reason);

    // A new effect for each playback: a stopped output may still send a late
    // "stopped" that would otherwise end the playback that follows it.
    QSoundEffect *m_effect = nullptr;
    QString m_file;
    QTimer m_lengthTimer;
    quint64 m_playback = 0; // number of the latest play()
    bool m_active = false;  // the latest playback has not been reported yet
};
