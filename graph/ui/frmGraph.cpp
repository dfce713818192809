#include "frmGraph.h"

#include "DataGraph.h"
#include "FrmDataHandle.h"
#include "GraphController.h"
#include "GraphPainter.h"
#include "GraphPictureFile.h"
#include "GraphPlot.h"
#include "UserPrompt.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLabel *axisLabel(const QString &name, Qt::Alignment alignment, const QColor &colour,
                  QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(alignment | Qt::AlignVCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->hide();
    return label;
}

} // namespace

frmGraph::frmGraph(GraphController &controller, QWidget *owner)
    : QMainWindow(owner, Qt::Window), m_controller(controller)
{
    setObjectName(QStringLiteral("frmGraph"));
    setWindowTitle(QStringLiteral("Graph"));
    buildMenus();
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(buildCommandRow());
    layout->addWidget(buildReadoutRow());
    layout->addWidget(buildPlotArea(), 1);
    setCentralWidget(central);
    m_data = new DataGraph(this);
    m_options = new FrmDataHandle(controller, this);
    connectCommands();
    showOnline();
    showReadout();
    resize(900, 560);
}

frmGraph::~frmGraph() = default;

void frmGraph::buildMenus()
{
    const auto add = [this](QMenu *menu, const QString &name, const QString &caption) {
        QAction *action = menu ? menu->addAction(caption) : menuBar()->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    add(nullptr, QStringLiteral("mnExit"), QStringLiteral("Exit"));
    QMenu *parameters = menuBar()->addMenu(QStringLiteral("Parameters"));
    parameters->setObjectName(QStringLiteral("mnParametersMenu"));
    m_parametersMenu = parameters->menuAction();
    m_parametersMenu->setObjectName(QStringLiteral("mnParameters"));
    for (const auto &[name, caption] :
         {std::pair{"mnAuto", "Auto"}, std::pair{"mn10", "0-10"}, std::pair{"mn100", "0-100"},
          std::pair{"mn1000", "0-1000"}}) {
        QAction *action = add(parameters, QLatin1String(name), QLatin1String(caption));
        action->setCheckable(true);
        m_scaleActions.append(action);
    }
    add(nullptr, QStringLiteral("mnAll"), QStringLiteral("All Data"));
    add(nullptr, QStringLiteral("mnList"), QStringLiteral("List"));
    m_onlineMenu = add(nullptr, QStringLiteral("mnOnline"), QStringLiteral("Online"));
    m_editMenu = add(nullptr, QStringLiteral("mnEdit"), QStringLiteral("Edit"));
    m_editMenu->setVisible(false);
    add(nullptr, QStringLiteral("mnSavePicture"), QStringLiteral("Save Picture..."));
    add(nullptr, QStringLiteral("mnPrint"), QStringLiteral("Print..."));
    showScaleMenu();
}

QWidget *frmGraph::buildCommandRow()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto button = [row, layout](const QString &name, const QString &caption,
                                      const QString &toolTip) {
        auto *made = new QPushButton(caption, row);
        made->setObjectName(name);
        made->setToolTip(toolTip);
        layout->addWidget(made);
        return made;
    };
    m_refresh = button(QStringLiteral("btRefreash"), QStringLiteral("Refreash"), {});
    m_online = button(QStringLiteral("btOnLine"), QStringLiteral("OnLine"),
                      QStringLiteral("Online / Offline"));
    button(QStringLiteral("btEdit"), QStringLiteral("Edit"), QStringLiteral("Online / Offline"));
    button(QStringLiteral("btTogle"), QStringLiteral("Togle"),
           QStringLiteral("Switchs between the two channels"));
    button(QStringLiteral("btAll"), QStringLiteral("All"),
           QStringLiteral("Graph for the all data"));
    button(QStringLiteral("btDone1"), QStringLiteral("&Done"), QStringLiteral("Exit from Graph"));
    // Its height is the gap the data window leaves when it arranges the windows.
    button(QStringLiteral("btGape"), QStringLiteral("Gape"), {})->hide();
    auto *onTop = new QCheckBox(QStringLiteral("Always on top"), row);
    onTop->setObjectName(QStringLiteral("chkAlwaysInTop"));
    layout->addWidget(onTop);
    layout->addStretch(1);
    return row;
}

QWidget *frmGraph::buildReadoutRow()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto box = [row, layout](const QString &name, const QString &toolTip) {
        auto *edit = new QLineEdit(row);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        edit->setToolTip(toolTip);
        layout->addWidget(edit, 1);
        return edit;
    };
    m_units = new QLabel(row);
    m_units->setObjectName(QStringLiteral("edUnits"));
    layout->addWidget(m_units);
    m_showTime = box(QStringLiteral("edShowTime"), QStringLiteral("Time for the pointed point"));
    m_showData = box(QStringLiteral("edShowData"), QStringLiteral("Data for the pointed point"));
    m_showData1 = box(QStringLiteral("edShowData1"), {});
    m_showFlow = box(QStringLiteral("edShowFlow"), {});
    m_sign = new QCheckBox(QStringLiteral("Mark"), row);
    m_sign->setObjectName(QStringLiteral("chkSign"));
    layout->addWidget(m_sign);
    m_units1 = new QLabel(row);
    m_units1->setObjectName(QStringLiteral("edUnits1"));
    layout->addWidget(m_units1);
    return row;
}

QWidget *frmGraph::buildPlotArea()
{
    m_area = new QWidget(this);
    m_plot = new GraphPlot(m_controller, m_area);
    for (int k = 0; k < GraphLabels::MaxValueLabels; ++k) {
        m_lblY.append(axisLabel(QStringLiteral("lblY%1").arg(k), Qt::AlignRight, Qt::blue, m_area));
        m_lblY1.append(
            axisLabel(QStringLiteral("lblY1_%1").arg(k), Qt::AlignLeft, Qt::red, m_area));
    }
    for (int k = 0; k < GraphLabels::MaxTimeLabels; ++k)
        m_lblX.append(
            axisLabel(QStringLiteral("lblX%1").arg(k), Qt::AlignHCenter, Qt::black, m_area));
    const QFontMetrics metrics = fontMetrics();
    const int h = metrics.height() + 2;
    const int timeWidth = metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 12;
    // The value labels are at least this wide; wider captions widen them.
    const int valueWidth = metrics.horizontalAdvance(QStringLiteral("-00000.0-")) + LabelPad;
    for (QLabel *label : std::as_const(m_lblY))
        label->resize(valueWidth, h);
    for (QLabel *label : std::as_const(m_lblY1))
        label->resize(timeWidth / 2, h);
    m_narrowest = {valueWidth, timeWidth / 2};
    for (QLabel *label : std::as_const(m_lblX))
        label->resize(timeWidth, h);
    // Room for the plot's top label and two rows of time labels.
    m_area->setMinimumSize(valueWidth + timeWidth, 3 * h);
    m_area->installEventFilter(this);
    return m_area;
}

void frmGraph::connectCommands()
{
    GraphController &c = m_controller;
    const auto onClick = [this](const QString &name, auto handler) {
        connect(findChild<QAbstractButton *>(name), &QAbstractButton::clicked, this, handler);
    };
    const auto onMenu = [this](const QString &name, auto handler) {
        connect(findChild<QAction *>(name), &QAction::triggered, this, handler);
    };
    onClick(QStringLiteral("btRefreash"), [&c] { c.btRefreash(); });
    onClick(QStringLiteral("btOnLine"), [&c] { c.onlineSwitch(); });
    onMenu(QStringLiteral("mnOnline"), [&c] { c.onlineSwitch(); });
    onClick(QStringLiteral("btEdit"), [this] { m_options->showOwned(); });
    onMenu(QStringLiteral("mnEdit"), [this] { m_options->showOwned(); });
    onClick(QStringLiteral("btTogle"), [&c] { c.btTogle(); });
    onClick(QStringLiteral("btAll"), [&c] { c.btAll(); });
    onMenu(QStringLiteral("mnAll"), [&c] { c.btAll(); });
    onClick(QStringLiteral("btDone1"), [this] { hide(); });
    onMenu(QStringLiteral("mnExit"), [this] { hide(); });
    onMenu(QStringLiteral("mnList"), [this] { showList(); });
    onMenu(QStringLiteral("mnSavePicture"), [this] { savePicture(); });
    onMenu(QStringLiteral("mnPrint"), [this] { printPicture(); });
    onClick(QStringLiteral("chkAlwaysInTop"), [this](bool checked) { setAlwaysOnTop(checked); });
    onClick(QStringLiteral("chkSign"), [this](bool checked) { m_plot->setMarks(checked); });
    const int scales[] = {0, 2, 3, 4};
    for (qsizetype i = 0; i < m_scaleActions.size(); ++i) {
        const int k = scales[i];
        connect(m_scaleActions[i], &QAction::triggered, this, [&c, k] { c.SetScaling(k); });
    }

    connect(&c, &GraphController::redrawRequested, m_plot, &GraphPlot::redraw);
    connect(m_plot, &GraphPlot::drawn, this, &frmGraph::showDrawing);
    connect(&c, &GraphController::readoutChanged, this, &frmGraph::showReadout);
    connect(&c, &GraphController::onlineChanged, this, &frmGraph::showOnline);
    connect(&c, &GraphController::scaleMenuChanged, this, &frmGraph::showScaleMenu);
    connect(&c, &GraphController::listRebuildRequested, this, [this] {
        if (m_data->isVisible())
            showList();
    });
}

void frmGraph::showBeside(QWidget *mainWindow, bool arrange)
{
    if (arrange && mainWindow) {
        if (mainWindow->isMaximized())
            mainWindow->showNormal();
        const QRect screen = mainWindow->screen()->availableGeometry();
        const auto *gape = mainWindow->findChild<QPushButton *>(QStringLiteral("btGape"));
        const int gap = gape ? gape->sizeHint().height() : 0;
        const int frameHeight = mainWindow->frameGeometry().height() - mainWindow->height();
        mainWindow->move(mainWindow->frameGeometry().left(), screen.top());
        mainWindow->resize(mainWindow->width(), (screen.height() - gap) / 2 - frameHeight);
        const QRect main = mainWindow->frameGeometry();
        move(main.left(), main.top() + main.height());
        resize(mainWindow->width(), (screen.height() - 2 * gap) / 2 - frameHeight);
    }
    show();
    raise();
    activateWindow();
}

bool frmGraph::event(QEvent *event)
{
    // A box opening over a drag takes the mouse away before its button goes up.
    if (event->type() == QEvent::WindowBlocked || event->type() == QEvent::WindowDeactivate)
        m_controller.dragInterrupted();
    if (event->type() == QEvent::WindowActivate) {
        m_controller.activated();
        showCommands();
    }
    return QMainWindow::event(event);
}

void frmGraph::showCommands()
{
    const bool follows = !m_controller.ofSavedFile;
    m_parametersMenu->setVisible(true);
    m_onlineMenu->setVisible(!m_controller.ShowEditButton && follows);
    m_editMenu->setVisible(m_controller.ShowEditButton);
    m_online->setVisible(follows);
    m_refresh->setVisible(follows);
}

void frmGraph::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // The graph is never left minimised.
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        QTimer::singleShot(0, this, [this] { showNormal(); });
}

void frmGraph::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    showCommands();
    m_controller.setShown(true);
}

void frmGraph::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    m_controller.dragInterrupted();
    if (!isMinimized()) {
        m_controller.setShown(false);
        // The windows it owns list and set what it showed: they go with it.
        m_data->hide();
        m_options->hide();
    }
}

bool frmGraph::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_area && event->type() == QEvent::Resize)
        layoutPlot();
    return QMainWindow::eventFilter(watched, event);
}

void frmGraph::layoutPlot()
{
    const int h = m_lblY[0]->height();
    const int w = m_lblX[0]->width();
    const int top = h / 2 + 1;
    const int right = std::max(w / 2, m_controller.data().twoChannels() ? m_lblY1[0]->width() : 0);
    const QRect plot(m_lblY[0]->width(), top,
                     std::max(1, m_area->width() - m_lblY[0]->width() - right - 2),
                     std::max(1, m_area->height() - 2 * h - top));
    m_plot->setGeometry(plot);
    // Each label sits on the row or column of the plot that its value maps onto.
    const QRect scale = GraphPainter(m_controller.data(), plot.size())
                            .scaleArea()
                            .toRect()
                            .translated(plot.topLeft());
    m_layout = GraphLabels::layout(plot.size(), scale, h, w);
    for (int k = 0; k < GraphLabels::MaxValueLabels; ++k) {
        const bool used = k < m_layout.YLabelCount;
        if (used) {
            m_lblY[k]->move(0, m_layout.valueTops[k]);
            m_lblY1[k]->move(plot.left() + plot.width(), m_layout.valueTops[k]);
        }
        m_lblY[k]->setVisible(used);
        m_lblY1[k]->setVisible(used && m_controller.data().twoChannels());
    }
    for (int k = 0; k < GraphLabels::MaxTimeLabels; ++k) {
        const bool used = k < m_layout.XLabelCount;
        if (used)
            m_lblX[k]->move(m_layout.timeLefts[k], m_layout.timeTop);
        m_lblX[k]->setVisible(used);
    }
    m_controller.btRefreash();
}

void frmGraph::showDrawing()
{
    const GraphData &points = m_controller.data();
    m_units->setText(points.UnitNames[0]);
    m_units1->setText(points.UnitNames[1]);
    setWindowTitle(m_controller.title());
    const QStringList left = GraphLabels::leftCaptions(points, m_layout.YLabelCount);
    const QStringList right = GraphLabels::rightCaptions(points, m_layout.YLabelCount);
    // A caption cut short would show a wrong number: the columns widen to
    // the widest caption, and the plot is laid out again (the number of
    // value labels depends on its height only, so the captions stay).
    if (fitLabelColumns(left, points.twoChannels() ? right : QStringList())) {
        layoutPlot();
        return;
    }
    for (int k = 0; k < m_layout.YLabelCount; ++k) {
        m_lblY[k]->setText(left[k]);
        m_lblY1[k]->setText(right[k]);
        m_lblY1[k]->setVisible(points.twoChannels());
    }
    const QStringList times = GraphLabels::timeCaptions(points, m_layout.XLabelCount);
    for (int k = 0; k < m_layout.XLabelCount; ++k)
        m_lblX[k]->setText(times[k]);
}

bool frmGraph::fitLabelColumns(const QStringList &left, const QStringList &right)
{
    const auto fit = [](QList<QLabel *> &labels, const QStringList &captions, int narrowest) {
        int width = narrowest;
        for (const QString &caption : captions)
            width = std::max(width, labels[0]->fontMetrics().horizontalAdvance(caption) + LabelPad);
        if (labels[0]->width() == width)
            return false;
        for (QLabel *label : std::as_const(labels))
            label->resize(width, label->height());
        return true;
    };
    const bool leftChanged = fit(m_lblY, left, m_narrowest.first);
    const bool rightChanged = fit(m_lblY1, right, m_narrowest.second);
    return leftChanged || rightChanged;
}

void frmGraph::showReadout()
{
    const GraphController::Readout &readout = m_controller.readout();
    m_showTime->setText(readout.time);
    m_showData->setText(readout.data);
    m_showData1->setText(readout.data1);
    m_showFlow->setText(readout.flow);
    m_showData1->setVisible(readout.secondChannel);
    m_showFlow->setVisible(readout.secondChannel);
}

void frmGraph::showOnline()
{
    m_online->setText(m_controller.onlineButtonCaption());
    m_onlineMenu->setText(m_controller.onlineMenuCaption());
    m_options->showCaption();
}

void frmGraph::showScaleMenu()
{
    const int scales[] = {0, 2, 3, 4};
    for (qsizetype i = 0; i < m_scaleActions.size(); ++i)
        m_scaleActions[i]->setChecked(m_controller.menuChecked(scales[i]));
}

void frmGraph::showList()
{
    const auto *gape = findChild<QPushButton *>(QStringLiteral("btGape"));
    m_data->build(m_controller, this, gape->sizeHint().height());
}

void frmGraph::savePicture()
{
    const QStringList filters = {QStringLiteral("PNG picture (*.png)"),
                                 QStringLiteral("SVG drawing (*.svg)"),
                                 QStringLiteral("PDF document (*.pdf)")};
    QString filter = filters.first();
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Picture"),
                                                m_controller.data().GraphPointName.trimmed() +
                                                    QStringLiteral(".png"),
                                                filters.join(QStringLiteral(";;")), &filter);
    if (path.isEmpty())
        return;
    // A name without an extension takes the chosen kind's.
    if (QFileInfo(path).suffix().isEmpty())
        path += filter.section(QChar(u'*'), 1).chopped(1);
    const QString problem =
        GraphPictureFile::save(path, m_controller.data(), m_sign->isChecked(),
                               m_area->size().expandedTo(MinimumPicture), windowTitle());
    if (!problem.isEmpty())
        QMessageBox::critical(this, UserPrompt::ProgramTitle, problem);
}

void frmGraph::printPicture()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(windowTitle());
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        GraphPictureFile::print(printer, m_controller.data(), m_sign->isChecked());
}

void frmGraph::setAlwaysOnTop(bool on)
{
    // Changing the flag takes the window off the screen; it comes back at once.
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown)
        show();
}
