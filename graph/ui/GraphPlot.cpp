#include "GraphPlot.h"

#include "GraphController.h"
#include "GraphPainter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

GraphPlot::GraphPlot(GraphController &controller, QWidget *parent)
    : QWidget(parent), m_controller(controller)
{
    setObjectName(QStringLiteral("Picture1"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&m_controller, &GraphController::overlayChanged, this, &GraphPlot::overlayChanged);
}

void GraphPlot::setMarks(bool marks)
{
    m_marks = marks;
    redraw();
}

void GraphPlot::redraw()
{
    if (m_picture.size() != size())
        m_picture = QImage(size(), QImage::Format_RGB32);
    if (!m_picture.isNull())
        GraphPainter(m_controller.data(), size()).drawCurves(m_picture, m_marks);
    m_controller.drawingFinished();
    m_overlay = QRect();
    emit drawn();
    update();
}

QRect GraphPlot::overlayArea() const
{
    const GraphPainter shape(m_controller.data(), size());
    QRectF area;
    if (!shape.usable())
        return {};
    if (const auto marker = m_controller.markerPoint())
        area = shape.cursorBox(*marker);
    if (const auto band = m_controller.rubberBand())
        area = area.united(shape.band(band->first, band->second));
    return area.intersected(QRectF(rect())).toAlignedRect().adjusted(-2, -2, 2, 2);
}

// Only the pixels under the old and the new overlays are painted again, from
// the cached picture.
void GraphPlot::overlayChanged()
{
    const QRect now = overlayArea();
    update(m_overlay.united(now));
    m_overlay = now;
}

void GraphPlot::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_picture, event->rect());
    const GraphPainter shape(m_controller.data(), size());
    if (const auto marker = m_controller.markerPoint(); marker && shape.usable()) {
        painter.setPen(QPen(GraphPainter::CursorColour, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(shape.cursorBox(*marker));
    }
    if (const auto band = m_controller.rubberBand(); band && shape.usable()) {
        painter.setPen(QPen(GraphPainter::BandColour, 0, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(shape.band(band->first, band->second));
    }
}

void GraphPlot::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // A resize can reach a hidden plot after its first drawing: draw again.
    if (m_picture.size() != size())
        redraw();
}

double GraphPlot::dataX(const QMouseEvent *event) const
{
    return GraphPainter(m_controller.data(), size()).xFromPixel(event->position().x());
}

void GraphPlot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_controller.pressAt(dataX(event));
}

void GraphPlot::mouseMoveEvent(QMouseEvent *event)
{
    // The button went up where the plot did not see it.
    if (!(event->buttons() & Qt::LeftButton))
        m_controller.dragInterrupted();
    m_controller.moveTo(dataX(event));
}

void GraphPlot::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_controller.releaseAt(dataX(event));
}

void GraphPlot::keyReleaseEvent(QKeyEvent *event)
{
    const bool fast =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (event->key() == Qt::Key_Right)
        m_controller.stepCursor(+1, fast);
    else if (event->key() == Qt::Key_Left)
        m_controller.stepCursor(-1, fast);
    else
        QWidget::keyReleaseEvent(event);
}
