#pragma once

#include <QSize>
#include <QString>

class GraphData;
class QPrinter;

// The graph as a file or on paper, drawn through GraphPicture at the
// target's own resolution: a PNG image, an SVG drawing or a PDF page, chosen
// by the file name's extension. A file is written beside its final name and
// renamed into place once it is whole, so a failure never leaves a half
// picture under that name.
class GraphPictureFile
{
public:
    // Empty when `path` ends in a known extension, else why it cannot be used.
    static QString extensionProblem(const QString &path);

    // `size` is the picture's size in pixels for PNG and SVG (PDF fills a
    // landscape A4 page). Empty on success, else the reason, for the user.
    static QString save(const QString &path, const GraphData &data, bool marks, const QSize &size,
                        const QString &title);

    static void print(QPrinter &printer, const GraphData &data, bool marks);
};
