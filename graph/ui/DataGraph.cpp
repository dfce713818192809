#include "DataGraph.h"

#include "GraphController.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

DataGraph::DataGraph(QWidget *graphWindow) : QWidget(graphWindow, Qt::Window)
{
    setObjectName(QStringLiteral("DataGraph"));
    setWindowTitle(QStringLiteral(" Data Graph"));
    auto *layout = new QVBoxLayout(this);
    auto *unitRow = new QHBoxLayout;
    auto *unitsCaption = new QLabel(QStringLiteral("Units:"), this);
    unitsCaption->setObjectName(QStringLiteral("Label2"));
    unitRow->addWidget(unitsCaption);
    for (int i = 0; i < 2; ++i) {
        m_units[i] = new QLineEdit(this);
        m_units[i]->setObjectName(QStringLiteral("edUnits%1").arg(i));
        m_units[i]->setReadOnly(true);
        unitRow->addWidget(m_units[i]);
    }
    layout->addLayout(unitRow);

    m_grid = new QTableWidget(0, 3, this);
    m_grid->setObjectName(QStringLiteral("Grid1"));
    m_grid->verticalHeader()->setVisible(false);
    m_grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The column headers take their texts and widths from three template labels.
    const int dateWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 16;
    const int valueWidth = fontMetrics().horizontalAdvance(QStringLiteral("-000000.000")) + 16;
    const std::pair<const char *, int> columns[] = {
        {"Time", dateWidth}, {"Value1", valueWidth}, {"Value2", valueWidth}};
    QStringList headers;
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(QLatin1String(columns[i].first), this);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        label->setFixedWidth(columns[i].second);
        label->hide();
        headers.append(label->text());
        m_grid->setColumnWidth(i, label->width());
    }
    m_grid->setHorizontalHeaderLabels(headers);
    layout->addWidget(m_grid, 1);
    auto *gape = new QPushButton(QStringLiteral("Gape"), this);
    gape->setObjectName(QStringLiteral("btGape"));
    gape->hide();
    resize(dateWidth + 2 * valueWidth + 40, 480);
}

void DataGraph::build(const GraphController &graph, QWidget *graphWindow, int gap)
{
    const QList<GraphController::ListRow> rows = graph.listRows();
    m_grid->setRowCount(0);
    m_units[0]->setText(graph.listUnit(0));
    m_units[1]->setText(graph.listUnit(1));
    setWindowTitle(graph.listCaption());
    move(screen()->availableGeometry().topLeft());
    if (graph.AutoArrange == 1)
        arrange(graphWindow, gap);
    show();
    // One empty row stays at the end, below the oldest point.
    m_grid->setRowCount(static_cast<int>(rows.size()) + 1);
    for (int r = 0; r < rows.size(); ++r) {
        m_grid->setItem(r, 0, new QTableWidgetItem(rows[r].time));
        m_grid->setItem(r, 1, new QTableWidgetItem(rows[r].value1));
        m_grid->setItem(r, 2, new QTableWidgetItem(rows[r].value2));
    }
}

void DataGraph::arrange(QWidget *graphWindow, int gap)
{
    const QRect screenArea = screen()->availableGeometry();
    const int frameHeight = frameGeometry().height() - height();
    resize(width(), screenArea.height() - 2 * gap - frameHeight);
    const QRect list = frameGeometry();
    const int graphHeight = graphWindow->frameGeometry().height();
    graphWindow->move(list.right() + 1, list.bottom() + 1 - graphHeight);
    graphWindow->resize(screenArea.width() - list.width(), graphWindow->height());
    if (QWidget *mainWindow = graphWindow->parentWidget())
        mainWindow->move(list.right() + 1, mainWindow->frameGeometry().top());
}
