#include "ProgramHarness.h"

#include "DataGraph.h"
#include "FrmDataHandle.h"
#include "GraphPainter.h"
#include "GraphPlot.h"
#include "frmGraph.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableWidget>

namespace {

// The program collecting online from a silent meter, with its graph.
struct GraphProgram : QuietProgram
{
    void readMany(int count)
    {
        for (int i = 1; i <= count; ++i)
            read(i);
    }
    // Presses Graph and waits until the window came to the front.
    bool openGraph()
    {
        button(QStringLiteral("btGraph"))->click();
        return QTest::qWaitForWindowActive(&graphWindow());
    }
    frmGraph &graphWindow() const { return window->graphWindow(); }
    GraphController &graph() const { return controller->graphCommand().graph(); }
    template<typename T> T *graphWidget(const QString &name) const
    {
        return widget<T>(name, &graphWindow());
    }
    // The plot's pixel column of shown point i.
    QPoint pixelOf(int i) const
    {
        const GraphData &data = graph().data();
        const auto at = static_cast<size_t>(i);
        const GraphPainter painter(data, graphWindow().plot().size());
        return painter.toPixel(data.Times[at], data.Values[at][0]).toPoint();
    }
};

} // namespace

class GraphTest : public QObject
{
    Q_OBJECT

private slots:
    void graphOpensFromEightReadingsWithoutTheNewest()
    {
        GraphProgram program;
        program.readMany(7);
        QVERIFY(!program.button(QStringLiteral("btGraph"))->isEnabled());
        program.controller->graphCommand().btGraph();
        QVERIFY(!program.graphWindow().isVisible());
        QCOMPARE(program.prompt.shown.size(), 0);

        program.read(8);
        QVERIFY(program.openGraph());
        const GraphData &data = program.graph().data();
        QCOMPARE(data.AllNumberOfPoints, 6);
        QCOMPARE(data.NumberOfPoints, 6);
        // Values 1..6 of the points drawn widen to 0.8 .. 6.6.
        QLabel *top = program.graphWidget<QLabel>(QStringLiteral("lblY0"));
        QVERIFY(top->isVisible());
        QCOMPARE(top->text(), QStringLiteral("6.6-"));
        QCOMPARE(program.graphWidget<QLabel>(QStringLiteral("lblX0"))->text(),
                 QStringLiteral("2026-12-05 09:31:07"));
        QVERIFY(!program.graphWidget<QLabel>(QStringLiteral("lblY1_0"))->isVisible());

        // Readings in the millions, counts near a source as a saved list can hold
        // them, are labelled whole and the labels fit beside the plot.
        std::vector<std::array<double, 1>> values;
        std::vector<double> times;
        for (int i = 0; i < 10; ++i) {
            values.push_back({i % 2 ? 4034567.0 : 3900000.0});
            times.push_back(46000.5 + i / 1440.0);
        }
        const std::array<QString, 1> names{QStringLiteral("SIM-1")}, units{QStringLiteral("cpm")};
        QVERIFY(program.graph().PutData<1>(names, 9, values, units, times, 0, 1));
        QCOMPARE(top->text(), QStringLiteral("4438023.7-"));
        for (int k = 0; k < 10; ++k) {
            auto *label = program.graphWidget<QLabel>(QStringLiteral("lblY%1").arg(k));
            if (label->isVisible())
                QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
        }
        QVERIFY(program.graphWindow().plot().x() >= top->width());
    }

    void onlineFollowAddsReadingsWhileOnlineAndANewListTakesTheGraphAway()
    {
        GraphProgram program;
        program.readMany(10);
        QVERIFY(program.openGraph());
        program.read(11);
        QCOMPARE(program.graph().data().AllNumberOfPoints, 8);

        // The options window's Online lasts until the graph comes to the front,
        // where the graph's own flag, off, rules; its button says which.
        FrmDataHandle &options = program.graphWindow().optionsWindow();
        auto *online = program.graphWidget<QPushButton>(QStringLiteral("btOnLine"));
        program.graphWidget<QPushButton>(QStringLiteral("btEdit"))->click();
        QVERIFY(QTest::qWaitForWindowActive(&options));
        options.findChild<QPushButton *>(QStringLiteral("btOnline"))->click();
        QVERIFY(!options.isVisible());
        QCOMPARE(online->text(), QStringLiteral("OffLine"));
        program.read(12);
        QCOMPARE(program.graph().data().AllNumberOfPoints, 10);
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(&program.graphWindow(), &activation);
        QVERIFY(!program.graph().bOnline());
        QCOMPARE(online->text(), QStringLiteral("Online"));
        program.read(13);
        QCOMPARE(program.graph().data().AllNumberOfPoints, 10);

        // A drag cut short by a box of the main window leaves the graph following.
        online->click();
        GraphPlot &plot = program.graphWindow().plot();
        QTest::mousePress(&plot, Qt::LeftButton, {}, program.pixelOf(2));
        QTest::mouseMove(&plot, program.pixelOf(5));
        QVERIFY(program.graph().rubberBand());
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Error in Communication"),
                        QStringLiteral("Format error"), QMessageBox::Ok, program.window.get());
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        box.accept();
        QVERIFY(!program.graph().rubberBand());
        program.read(14);
        program.read(15);
        // The reading just stored comes with the next one.
        QCOMPARE(program.graph().data().AllNumberOfPoints, 13);
        QCOMPARE(program.graph().data().AllValues[13][0], 14.0);

        // A new list takes the graph off the screen, with its data window;
        // the next one shows the new list.
        program.graphWindow().findChild<QAction *>(QStringLiteral("mnList"))->trigger();
        QVERIFY(program.graphWindow().dataWindow().isVisible());
        program.prompt.answers = {UserPrompt::Answer::No};
        program.controller->StopOnline();
        program.controller->btStart();
        QVERIFY(!program.graphWindow().isVisible());
        QVERIFY(!program.graphWindow().dataWindow().isVisible());
        program.read(1);
        QCOMPARE(program.graph().data().AllNumberOfPoints, 13);
    }

    void clicksReadPointsAndADragZoomsAndGoesOffline()
    {
        GraphProgram program;
        program.readMany(30);
        QVERIFY(program.openGraph());
        program.graphWidget<QPushButton>(QStringLiteral("btOnLine"))->click();
        GraphPlot &plot = program.graphWindow().plot();
        QTest::mouseClick(&plot, Qt::LeftButton, {}, program.pixelOf(4));
        QCOMPARE(program.graphWidget<QLineEdit>(QStringLiteral("edShowData"))->text(),
                 QStringLiteral("5 uSv/h     "));
        QVERIFY(program.graph().bOnline()); // a plain click is no zoom
        QCOMPARE(program.graphWidget<QLineEdit>(QStringLiteral("edShowTime"))->text(),
                 QStringLiteral("2026-12-05 09:35:07"));
        QVERIFY(!program.graphWidget<QLineEdit>(QStringLiteral("edShowData1"))->isVisible());
        QTest::keyClick(&plot, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(program.graph().CurPoint, 14);

        // Right to left over points 20..10.
        const QPoint aside(3, 0);
        QTest::mousePress(&plot, Qt::LeftButton, {}, program.pixelOf(20) + aside);
        QTest::mouseMove(&plot, program.pixelOf(15));
        QTest::mouseRelease(&plot, Qt::LeftButton, {}, program.pixelOf(10) - aside);
        QCOMPARE(program.graph().data().NumberOfPoints, 10);
        QVERIFY(!program.graph().bOnline());
        QCOMPARE(program.graphWidget<QPushButton>(QStringLiteral("btOnLine"))->text(),
                 QStringLiteral("online"));
        program.read(31);
        QCOMPARE(program.graph().data().NumberOfPoints, 10);

        // The list shows the zoomed points, newest first, then an empty row.
        program.graphWindow().findChild<QAction *>(QStringLiteral("mnList"))->trigger();
        QTableWidget *grid =
            program.graphWindow().dataWindow().findChild<QTableWidget *>(QStringLiteral("Grid1"));
        QVERIFY(program.graphWindow().dataWindow().isVisible());
        QCOMPARE(grid->rowCount(), 12);
        QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("21"));
        QCOMPARE(grid->item(10, 1)->text(), QStringLiteral("11"));
        QCOMPARE(grid->item(0, 2)->text(), QStringLiteral("-1"));

        program.graphWidget<QPushButton>(QStringLiteral("btAll"))->click();
        QCOMPARE(program.graph().data().NumberOfPoints, 28);
        QCOMPARE(grid->rowCount(), 30);

        // Mark puts a magenta dot on every point; unticking takes them away.
        const QPoint corner = program.pixelOf(5) + QPoint(1, 1);
        program.graphWidget<QCheckBox>(QStringLiteral("chkSign"))->click();
        QCOMPARE(plot.picture().pixelColor(corner), GraphPainter::MarkColour);
        program.graphWidget<QCheckBox>(QStringLiteral("chkSign"))->click();
        QVERIFY(plot.picture().pixelColor(corner) != GraphPainter::MarkColour);
    }
};

QTEST_MAIN(GraphTest)
#include "tst_graph.moc"
