#pragma once

#include "CliArguments.h"

#include <QString>
#include <QStringList>

class WorkingListFile;

// Opens the list file that a download or online collection appends to: a
// missing file is started with the legend header, as the window's working
// list is; an existing one is appended to or started afresh only when the
// command line says so, so no readings are lost by a forgotten option.
class CollectionList
{
public:
    // Empty on success, else the cause.
    static QString open(WorkingListFile &list, CliArguments::Existing existing,
                        const QStringList &legendLines);
};
