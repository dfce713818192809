#pragma once

#include <QImage>
#include <QWidget>

class GraphController;

// The plot `Picture1`: a cached picture of the curves, with the cursor
// marker and the rubber band laid over it, so moving the cursor never draws
// the curves again. Mouse positions reach the controller in data coordinates.
class GraphPlot : public QWidget
{
    Q_OBJECT

public:
    explicit GraphPlot(GraphController &controller, QWidget *parent = nullptr);

    void setMarks(bool marks);
    // Draws the curves into the cached picture now.
    void redraw();
    const QImage &picture() const { return m_picture; }

signals:
    void drawn();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    double dataX(const QMouseEvent *event) const;
    QRect overlayArea() const;
    void overlayChanged();

    GraphController &m_controller;
    QImage m_picture;
    bool m_marks = false;
    QRect m_overlay; // what the overlays covered when last painted
};
