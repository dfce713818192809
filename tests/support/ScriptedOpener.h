#pragma once

#include "DesktopOpener.h"

#include <QStringList>

// Keeps every file the program asked the desktop to open; `refusal` makes it fail.
class ScriptedOpener : public DesktopOpener
{
public:
    QStringList opened;
    QString refusal;

    QString open(const QString &path) override
    {
        if (refusal.isEmpty())
            opened.append(path);
        return refusal;
    }
};
