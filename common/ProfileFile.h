#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// The settings file Tesk.ini: named text values in the section "COMMON".
// Keys and the section name are case-insensitive; blanks around the equals
// sign and at the end of a line are not part of a value. Every write replaces
// one value and keeps all other lines as they were; the file is replaced as a
// whole through a new file beside it, so a crash or a full disk never leaves
// a truncated settings file behind.
class ProfileFile
{
public:
    struct Value
    {
        int count = 0; // characters returned; 0 means "not read"
        QString text;
    };

    explicit ProfileFile(QString path);

    // The one fixed place of the settings: $XDG_CONFIG_HOME/Tesk.ini, or
    // ~/.config/Tesk.ini when that variable is not set or not an absolute path.
    static QString standardPath();

    const QString &path() const { return m_path; }

    // At most size - 1 characters of the value; a missing key or file gives
    // the default, cut the same way.
    Value ReadProfileKey(const QString &key, const QString &defaultText, int size) const;

    // False when the file could not be written; the previous value then stays.
    bool WriteProfileKey(const QString &key, const QString &text) const;

    // The reading steps shared by every caller: when characters came back the
    // target takes the value (text trimmed at its first NUL and of trailing
    // blanks; numbers by the leading-number rule; 16-bit values rounded halves
    // to even and clamped), otherwise it keeps what it held. True when read.
    bool readText(const QString &key, const QString &defaultText, int size, QString &target) const;
    bool readNumber(const QString &key, const QString &defaultText, int size, double &target) const;
    bool readInt16(const QString &key, const QString &defaultText, int size, qint16 &target) const;

    // Numbers are stored in their display text (" 1", " .2", "-3").
    bool writeNumber(const QString &key, double value) const;

    // What a read and a write do with the file's bytes, without the file:
    // the whole stored value of a key (nothing when it is missing), and the
    // bytes with one value replaced (nothing for a key that cannot be stored).
    static std::optional<QString> storedValue(const QByteArray &fileBytes, const QString &key);
    static std::optional<QByteArray> withValue(const QByteArray &fileBytes, const QString &key,
                                               const QString &text);

private:
    std::optional<QString> cleanedValue(const QString &key, const QString &defaultText,
                                        int size) const;

    QString m_path;
};
