#include "GraphData.h"
#include "GraphPainter.h"
#include "GraphPicture.h"
#include "GraphPictureFile.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

constexpr double Minute = 1.0 / 1440;

// Ten readings of 0.00, then ten of 5.00, a minute apart from noon.
GraphData zerosThenFives(qint16 scaling)
{
    GraphData data;
    data.Scaling = scaling;
    std::vector<std::array<double, 1>> values;
    std::vector<double> times;
    for (int i = 0; i < 20; ++i) {
        values.push_back({i < 10 ? 0.0 : 5.0});
        times.push_back(46000.5 + i * Minute);
    }
    const std::array<QString, 1> names{QStringLiteral("SIM-1")};
    const std::array<QString, 1> units{QStringLiteral("uSv/h")};
    data.PutData<1>(names, 19, values, units, times, 0, 1);
    return data;
}

// How many pixels of `colour` lie on row y between columns x0 and x1.
int countOnRow(const QImage &image, int y, int x0, int x1, const QColor &colour)
{
    int count = 0;
    for (int x = x0; x <= x1; ++x)
        count += image.pixelColor(x, y) == colour ? 1 : 0;
    return count;
}

} // namespace

class GraphPictureTest : public QObject
{
    Q_OBJECT

private slots:
    void fullScaleLandsOnPixelsThatExistWithRoomForMarks_data()
    {
        QTest::addColumn<int>("scaling");
        QTest::addColumn<double>("fiveAt"); // part of the scale's height below the top
        QTest::newRow("automatic") << 0 << 0.5 / 5.5;
        QTest::newRow("0-10") << 2 << 0.5;
    }
    void fullScaleLandsOnPixelsThatExistWithRoomForMarks()
    {
        QFETCH(int, scaling);
        QFETCH(double, fiveAt);
        const GraphData data = zerosThenFives(static_cast<qint16>(scaling));
        QImage image(400, 300, QImage::Format_RGB32);
        const GraphPainter painter(data, image.size());
        const int m = static_cast<int>(GraphPainter::Margin);
        const int right = image.width() - 1 - m;
        const int bottom = image.height() - 1 - m;
        // The scale's corners are held as 32-bit floats: within a thousandth of a pixel.
        const auto near = [](QPointF a, QPointF b) {
            return (a - b).manhattanLength() < 1e-3;
        };
        QVERIFY(near(painter.toPixel(data.TimeMin, data.ScaleMax[0]), QPointF(m, m)));
        QVERIFY(near(painter.toPixel(data.TimeMax, data.ScaleMin[0]), QPointF(right, bottom)));

        painter.drawCurves(image, true);
        // The zeros run along the bottom row of the scale, points 1..9.
        const int nine = qRound(painter.toPixel(data.Times[9], 0).x());
        QVERIFY(countOnRow(image, bottom, m + 1, nine - 2, GraphPainter::Channel0Colour) >
                nine / 2);
        const int five = qRound(m + (bottom - m) * fiveAt);
        QVERIFY(countOnRow(image, five, nine + 20, right - 20, GraphPainter::Channel0Colour) > 0);
        // The last drawn point's mark on the right edge is whole.
        const QPoint last = painter.toPixel(data.Times[18], 5.0).toPoint();
        QCOMPARE(last.x(), right);
        for (const QPoint corner : {QPoint(1, 1), QPoint(1, -1), QPoint(-1, 1), QPoint(-1, -1)})
            QCOMPARE(image.pixelColor(last + corner), GraphPainter::MarkColour);
        // So is the cursor box of a zero on the bottom edge.
        QVERIFY(QRectF(image.rect()).contains(painter.cursorBox(1)));
    }

    void pictureDrawsCurvesLabelsAndThresholdsInsideItsArea()
    {
        const GraphData data = zerosThenFives(0);
        QImage image(800, 500, QImage::Format_RGB32);
        image.fill(Qt::black);
        const QRectF area(20, 10, 760, 480);
        QPainter painter(&image);
        const QRectF scale = GraphPicture::scaleArea(painter, area, data);
        GraphPicture::paint(painter, area, data, {3.0, 5.25}, true);
        painter.end();
        QVERIFY(area.contains(scale));
        QCOMPARE(image.pixelColor(10, 5), QColor(Qt::black)); // nothing outside the area
        QCOMPARE(image.pixelColor(21, 11), QColor(Qt::white));
        // The zeros along the bottom of the scale, the fives at 5 of 5.5.
        const auto row = [&](double value) {
            return qRound(scale.top() +
                          (data.ScaleMax[0] - value) / data.ScaleMax[0] * scale.height());
        };
        // Lines are smoothed: a pixel on or beside the row, of the colour's hue.
        const auto anyOf = [&](const QColor &colour, int y, double from, double to) {
            for (int x = qRound(from); x <= qRound(to); ++x)
                for (int dy = -1; dy <= 1; ++dy)
                    if (const QColor c = image.pixelColor(x, y + dy);
                        c.hsvSaturation() > 60 && std::abs(c.hsvHue() - colour.hsvHue()) < 8)
                        return true;
            return false;
        };
        const QColor blue = GraphPainter::Channel0Colour;
        QVERIFY(anyOf(blue, row(0), scale.left() + 5, scale.center().x() - 30));
        QVERIFY(anyOf(blue, row(5), scale.center().x() + 30, scale.right() - 5));
        QVERIFY(!anyOf(blue, row(2.5), scale.left() + 5, scale.center().x() - 30));
        QVERIFY(anyOf(GraphPicture::WarningColour, row(3.0), scale.left(), scale.center().x()));
    }

    void pictureSavedAsSvgIsVectorPathsAndTexts()
    {
        const GraphData data = zerosThenFives(0);
        QTemporaryDir folder;
        // The SVG with its marks and a title, the others without.
        const auto save = [&](const char *name, bool svg) {
            return GraphPictureFile::save(
                folder.filePath(QLatin1String(name)), data, svg, QSize(800, 500),
                svg ? QStringLiteral("Graph for point SIM-1") : QString());
        };
        QVERIFY(!save("graph.gif", false).isEmpty());
        QCOMPARE(save("graph.svg", true), QString());
        // PNG and PDF by their extensions.
        QCOMPARE(save("graph.png", false), QString());
        QCOMPARE(save("graph.pdf", false), QString());
        QCOMPARE(QImage(folder.filePath(QStringLiteral("graph.png"))).size(), QSize(800, 500));
        QFile pdf(folder.filePath(QStringLiteral("graph.pdf")));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QCOMPARE(pdf.read(5), QByteArray("%PDF-"));
        // Written aside and renamed: the pictures alone are left in the folder.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
                 QStringList({"graph.pdf", "graph.png", "graph.svg"}));

        QFile file(folder.filePath(QStringLiteral("graph.svg")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QStringList texts;
        int bluePaths = 0;
        QString stroke;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"g")
                stroke = xml.attributes().value(QStringLiteral("stroke")).toString();
            else if (xml.name() == u"path" && stroke == u"#0000ff")
                ++bluePaths;
            else if (xml.name() == u"text" || xml.name() == u"title")
                texts.append(xml.readElementText().trimmed());
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(bluePaths, 1); // the whole curve is one path
        for (const char *text :
             {"Graph for point SIM-1", "5.5-", "0-", "uSv/h", "2025-12-09 12:00:00"})
            QVERIFY2(texts.contains(QLatin1String(text)), text);
    }
};

QTEST_MAIN(GraphPictureTest)
#include "tst_graph_picture.moc"
