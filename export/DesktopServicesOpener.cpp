#include "DesktopServicesOpener.h"

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

QString DesktopServicesOpener::open(const QString &path)
{
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return {};
    return QObject::tr("no application is set up to open %1 on this desktop").arg(path);
}
