// The graph: a full redraw of 3,001 points with point marks into a picture of
// 1000 x 600, the whole graph with labels and thresholds drawn as vectors
// (as a saved picture, a print or the report draw it) into the same size, and
// one step of the cursor with the arrow keys on a visible plot of the same size
// (the readout and the overlay, the curves not drawn again).
#include "GraphController.h"
#include "GraphHost.h"
#include "GraphPainter.h"
#include "GraphPicture.h"
#include "GraphPlot.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

struct NoHost : GraphHost
{
    void reReadList() override {}
    void GetParamsFromGraph(double &, double &, qint32 &) override {}
};

// 3,001 readings a minute apart, wandering up and down.
void fill(GraphController &graph)
{
    std::vector<std::array<double, 3>> values;
    std::vector<double> times;
    for (int i = 0; i <= 3000; ++i) {
        values.push_back({5 + 3 * std::sin(i / 40.0) + (i % 7) * 0.1, 0, 0});
        times.push_back(46000.0 + i / 1440.0);
    }
    const std::array<QString, 1> names{QStringLiteral("SIM-0000001")};
    const std::array<QString, 1> units{QStringLiteral("uSv/h")};
    graph.PutData<3>(names, 3000, values, units, times, 0, 1);
}

void fullRedrawWithMarks(benchmark::State &state)
{
    NoHost host;
    GraphController graph(host);
    fill(graph);
    QImage picture(1000, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        GraphPainter(graph.data(), picture.size()).drawCurves(picture, true);
        graph.drawingFinished();
        benchmark::DoNotOptimize(picture.constBits());
    }
    if (qEnvironmentVariableIsSet("TESK_BENCH_SAVE"))
        picture.save(qEnvironmentVariable("TESK_BENCH_SAVE"));
}

void wholePicture(benchmark::State &state)
{
    NoHost host;
    GraphController graph(host);
    fill(graph);
    QImage picture(1000, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&picture);
        GraphPicture::paint(painter, QRectF(picture.rect()), graph.data(), {7.0, 8.0}, true);
        painter.end();
        benchmark::DoNotOptimize(picture.constBits());
    }
    if (qEnvironmentVariableIsSet("TESK_BENCH_SAVE_PICTURE"))
        picture.save(qEnvironmentVariable("TESK_BENCH_SAVE_PICTURE"));
}

void cursorStep(benchmark::State &state)
{
    NoHost host;
    GraphController graph(host);
    GraphPlot plot(graph);
    plot.resize(1000, 600);
    plot.show();
    fill(graph);
    plot.redraw();
    QCoreApplication::processEvents();
    graph.CurPoint = 1500;
    int direction = 1;
    for (auto _ : state) {
        graph.stepCursor(direction, false);
        direction = -direction;
        plot.repaint();
    }
}

} // namespace

BENCHMARK(fullRedrawWithMarks)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(wholePicture)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(cursorStep)->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
