#include "SoundEffectPlayer.h"

#include "WaveHeader.h"

#include <QAudioDevice>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include <limits>

namespace {

QString noOutputReason()
{
    return QStringLiteral("No sound output device was found, so alarms cannot be heard. "
                          "Connect speakers or headphones, or check the computer's sound "
                          "settings.");
}

QString unplayableReason(const QString &file)
{
    return QStringLiteral("The alarm sound \"%1\" cannot be played. Replace it with an "
                          "uncompressed WAV sound, and check that the computer's sound "
                          "output works.")
        .arg(QDir::toNativeSeparators(file));
}

} // namespace

SoundEffectPlayer::SoundEffectPlayer(QObject *parent) : SoundPlayer(parent)
{
    m_lengthTimer.setSingleShot(true);
    connect(&m_lengthTimer, &QTimer::timeout, this,
            [this] { finish(m_playback, Finished, QString()); });
}

SoundEffectPlayer::~SoundEffectPlayer() = default;

void SoundEffectPlayer::play(const QString &file)
{
    stop();
    const quint64 playback = ++m_playback;
    m_active = true;

    QString reason;
    const qint64 length = soundLength(file, reason);
    if (length < 0) {
        finishLater(playback, Failed, reason);
        return;
    }
    if (!hasAudioOutput()) {
        finishLater(playback, Failed, noOutputReason());
        return;
    }
    startEffect(file);
    m_lengthTimer.start(
        static_cast<int>(qMin<qint64>(length + EndMarginMs, std::numeric_limits<int>::max())));
}

void SoundEffectPlayer::stop()
{
    m_active = false;
    m_lengthTimer.stop();
    retireEffect();
}

bool SoundEffectPlayer::hasAudioOutput() const
{
    return !QMediaDevices::audioOutputs().isEmpty();
}

qint64 SoundEffectPlayer::soundLength(const QString &file, QString &reason)
{
    const QString shown = QDir::toNativeSeparators(file);
    if (!QFileInfo::exists(file)) {
        reason = QStringLiteral("The alarm sound \"%1\" was not found, so alarms cannot be "
                                "heard. Put the sound file back in the program folder.")
                     .arg(shown);
        return -1;
    }
    QFile wave(file);
    if (!wave.open(QIODevice::ReadOnly)) {
        reason = QStringLiteral("The alarm sound \"%1\" cannot be read (%2), so alarms "
                                "cannot be heard. Check the file's permissions.")
                     .arg(shown, wave.errorString());
        return -1;
    }
    const std::optional<WaveHeader> header = WaveHeader::read(wave);
    if (!header || header->dataSize == 0) {
        reason = unplayableReason(file);
        return -1;
    }
    return header->durationMs();
}

void SoundEffectPlayer::startEffect(const QString &file)
{
    m_file = file;
    m_effect = new QSoundEffect(this);
    connect(m_effect, &QSoundEffect::playingChanged, this,
            &SoundEffectPlayer::effectPlayingChanged);
    connect(m_effect, &QSoundEffect::statusChanged, this, &SoundEffectPlayer::effectStatusChanged);
    m_effect->setSource(QUrl::fromLocalFile(file));
    m_effect->play();
}

void SoundEffectPlayer::retireEffect()
{
    if (!m_effect)
        return;
    QSoundEffect *effect = m_effect;
    m_effect = nullptr;
    effect->disconnect(this);
    effect->stop();
    effect->deleteLater();
}

void SoundEffectPlayer::effectPlayingChanged()
{
    if (m_effect && !m_effect->isPlaying() && m_effect->status() == QSoundEffect::Ready)
        finishLater(m_playback, Finished, QString());
}

void SoundEffectPlayer::effectStatusChanged()
{
    if (m_effect && m_effect->status() == QSoundEffect::Error)
        finishLater(m_playback, Failed, unplayableReason(m_file));
}

void SoundEffectPlayer::finish(quint64 playback, int code, const QString &reason)
{
    if (playback != m_playback || !m_active)
        return;
    stop();
    if (!reason.isEmpty())
        emit unavailable(reason);
    emit playbackFinished(code);
}

void SoundEffectPlayer::finishLater(quint64 playback, int code, const QString &reason)
{
    QMetaObject::invokeMethod(
        this, [this, playback, code, reason] { finish(playback, code, reason); },
        Qt::QueuedConnection);
}
