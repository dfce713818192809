#pragma once

#include "SoundPlayer.h"

#include <QStringList>
#include <QTest>

// A player that only records what it is asked; the test decides when and how each
// playback ends.
class ScriptedSoundPlayer : public SoundPlayer
{

public:
    QStringList plays;
    bool playing = false;

    void play(const QString &file) override
    {
        plays.append(file);
        playing = true;
    }
    void stop() override { playing = false; }

    void finish(int code = Finished)
    {
        QVERIFY2(playing, "finishing a playback that was never started");
        playing = false;
        emit playbackFinished(code);
    }
    void fail(const QString &reason)
    {
        QVERIFY2(playing, "failing a playback that was never started");
        emit unavailable(reason);
        finish(Failed);
    }
};
