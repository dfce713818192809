#pragma once

#include <QByteArrayView>
#include <QIODevice>
#include <QString>

// The program writes its lists in Latin-1; a list whose legend was edited in
// a UTF-8 editor holds UTF-8. The choice is made once per file: UTF-8 when
// its bytes are valid UTF-8 and hold a character beyond ASCII, else Latin-1.
class ListEncoding
{
public:
    // Reads the device from where it stands to its end, in blocks, and goes
    // back there. A sequential device, which cannot go back, is Latin-1.
    static bool isUtf8(QIODevice &device);

    static QString decode(QByteArrayView bytes, bool utf8)
    {
        return utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
    }
};
