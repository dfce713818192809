#include "GraphPictureFile.h"

#include "GraphPicture.h"

#include <QFileInfo>
#include <QImage>
#include <QObject>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace {

enum class Kind { Png, Svg, Pdf, Unknown };

Kind kindOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"png")
        return Kind::Png;
    if (suffix == u"svg")
        return Kind::Svg;
    if (suffix == u"pdf")
        return Kind::Pdf;
    return Kind::Unknown;
}

// False when the painter could not start on its device.
bool drawOn(QPaintDevice &device, const QRectF &area, const GraphData &data, bool marks)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    GraphPicture::paint(painter, area, data, {}, marks);
    return painter.end();
}

} // namespace

QString GraphPictureFile::extensionProblem(const QString &path)
{
    if (kindOf(path) != Kind::Unknown)
        return {};
    return QObject::tr("%1 has no picture extension: the name must end in .png, .svg or .pdf.")
        .arg(path);
}

QString GraphPictureFile::save(const QString &path, const GraphData &data, bool marks,
                               const QSize &size, const QString &title)
{
    if (QString problem = extensionProblem(path); !problem.isEmpty())
        return problem;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QObject::tr("%1 could not be written: %2").arg(path, file.errorString());
    bool drawn = false;
    switch (kindOf(path)) {
    case Kind::Png: {
        QImage image(size, QImage::Format_RGB32);
        drawn = drawOn(image, QRectF(image.rect()), data, marks) && image.save(&file, "PNG");
        break;
    }
    case Kind::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(title);
        drawn = drawOn(svg, QRectF(QPoint(0, 0), size), data, marks);
        break;
    }
    case Kind::Pdf: {
        QPdfWriter pdf(&file);
        pdf.setTitle(title);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                      QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
        const QRect page = pdf.pageLayout().paintRectPixels(pdf.resolution());
        drawn = drawOn(pdf, QRectF(QPoint(0, 0), page.size()), data, marks);
        break;
    }
    case Kind::Unknown:
        break;
    }
    // A short write (a full disk) is caught before the file replaces an old one.
    if (!drawn || !file.flush() || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return QObject::tr("%1 could not be written: %2").arg(path, reason);
    }
    if (!file.commit())
        return QObject::tr("%1 could not be written: %2").arg(path, file.errorString());
    return {};
}

void GraphPictureFile::print(QPrinter &printer, const GraphData &data, bool marks)
{
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    drawOn(printer, QRectF(QPoint(0, 0), page.size()), data, marks);
}
