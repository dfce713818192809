#pragma once

#include <QObject>
#include <QString>

// Plays a sound file without waiting for it, and tells when the playback is over.
//
// Every play() ends in exactly one playbackFinished(), unless stop() or a later play()
// ends it first: a playback cut short that way reports nothing, so a listener that
// repeats the sound on completion is never misled by the one it replaced. Reports
// never arrive from inside play() itself.
class SoundPlayer : public QObject
{
    Q_OBJECT

public:
    enum Completion {
        Finished = 1, // played to its end
        Failed = 2,   // could not be played; unavailable() said why
    };

    using QObject::QObject;
    ~SoundPlayer() override;

    // Starts the file, replacing any playback under way; returns at once.
    virtual void play(const QString &file) = 0;
    // Ends the playback under way without a report.
    virtual void stop() = 0;

signals:
    void playbackFinished(int code);
    // The sound cannot be heard, in words a user can act on. Sent before the
    // Failed report of the playback concerned.
    void unavailable(const QString &reason);
};
