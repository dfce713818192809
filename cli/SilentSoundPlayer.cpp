#include "SilentSoundPlayer.h"

void SilentSoundPlayer::play(const QString &file)
{
    Q_UNUSED(file)
}

void SilentSoundPlayer::stop() {}
