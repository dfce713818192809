#pragma once

#include "DesktopOpener.h"

// Hands the file to the desktop's default application for its type
// (xdg-open on Linux).
class DesktopServicesOpener : public DesktopOpener
{
public:
    QString open(const QString &path) override;
};
