#include "FrmDataHandle.h"

#include "GraphController.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

FrmDataHandle::FrmDataHandle(GraphController &graph, QWidget *graphWindow)
    : QWidget(graphWindow, Qt::Window), m_graph(graph)
{
    setObjectName(QStringLiteral("FrmDataHandle"));
    setWindowTitle(QStringLiteral("Data Handle"));
    auto *layout = new QVBoxLayout(this);
    auto *frame = new QGroupBox(QStringLiteral("Scale"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *frameLayout = new QVBoxLayout(frame);
    auto *choices = new QButtonGroup(this);
    const char *captions[] = {"Auto", "Manual", "0-10", "0-100", "0-1000"};
    for (int k = 0; k < 5; ++k) {
        auto *choice = new QRadioButton(QLatin1String(captions[k]), frame);
        choice->setObjectName(QStringLiteral("chkScale%1").arg(k));
        choices->addButton(choice, k);
        frameLayout->addWidget(choice);
    }
    layout->addWidget(frame);
    m_online = new QPushButton(QStringLiteral("Online "), this);
    m_online->setObjectName(QStringLiteral("btOnline"));
    layout->addWidget(m_online);

    connect(choices, &QButtonGroup::idClicked, this, [this](int k) { m_graph.chooseScale(k); });
    connect(m_online, &QPushButton::clicked, this, [this] {
        m_graph.dataHandleOnlineClicked();
        hide();
    });
}

void FrmDataHandle::showOwned()
{
    showCaption();
    show();
    raise();
    activateWindow();
}

void FrmDataHandle::showCaption()
{
    m_online->setText(m_graph.dataHandleCaption());
    m_online->setVisible(!m_graph.ofSavedFile);
}

bool FrmDataHandle::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        showCaption();
    return QWidget::event(event);
}
