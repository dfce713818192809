#pragma once

#include "SoundPlayer.h"

// The alarms of the command line are messages: nothing is played, and a
// started alarm never repeats.
class SilentSoundPlayer : public SoundPlayer
{
public:
    using SoundPlayer::SoundPlayer;

    void play(const QString &file) override;
    void stop() override;
};
