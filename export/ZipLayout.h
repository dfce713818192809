#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// Where the entries of a zip lie, read from its central directory and each
// entry's local header. A workbook stores each part once: a directory whose
// entries share bytes (one part under many names, or a part inside another)
// or claim more bytes than the file holds is how a small file unpacks into
// a huge one, and is refused before any part is read.
class ZipLayout
{
public:
    // Reads `size` bytes at `offset` into `to`; false when there are not that many.
    using ReadAt = std::function<bool(qint64 offset, char *to, qint64 size)>;

    // The largest central directory read; a workbook's takes a few kilobytes.
    static constexpr qint64 MaxDirectorySize = 16LL * 1024 * 1024;

    // Empty when the entries of the zip of `fileSize` bytes lie apart from
    // each other and from the directory, each under a name of its own;
    // else the reason.
    static QString problem(qint64 fileSize, const ReadAt &read);
};
