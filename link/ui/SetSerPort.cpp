#include "SetSerPort.h"
#include "WindowPlacement.h"

#include "MeterFinder.h"
#include "PortSelection.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

SetSerPort::SetSerPort(PortSelection &selection, QWidget *parent)
    : QDialog(parent), m_selection(selection)
{
    setObjectName(QStringLiteral("SetSerPort"));
    setWindowTitle(QStringLiteral("Set Port"));
    m_showMessage = messageBoxHook(this);

    fraPort = new QGroupBox(QStringLiteral("Communication Port"), this);
    fraPort->setObjectName(QStringLiteral("fraPort"));
    m_options = new QButtonGroup(this);
    auto *grid = new QGridLayout(fraPort);
    for (int port = 1; port <= 4; ++port) {
        const auto index = static_cast<std::size_t>(port - 1);
        Option[index] = new QRadioButton(QStringLiteral("Com&%1").arg(port), fraPort);
        Option[index]->setObjectName(QStringLiteral("Option%1").arg(port));
        m_options->addButton(Option[index], port);
        cboDevice[index] = new QComboBox(fraPort);
        cboDevice[index]->setObjectName(QStringLiteral("cboDevice%1").arg(port));
        cboDevice[index]->setEditable(true);
        cboDevice[index]->setInsertPolicy(QComboBox::NoInsert);
        // The dialog keeps its size whatever devices the list holds, so it stays centred.
        cboDevice[index]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        cboDevice[index]->setMinimumContentsLength(16);
        cboDevice[index]->setToolTip(tr("Device opened as COM%1").arg(port));
        grid->addWidget(Option[index], port - 1, 0);
        grid->addWidget(cboDevice[index], port - 1, 1);
    }

    m_finder = new MeterFinder(this);
    btFindMeter = new QPushButton(tr("Find Meter"), this);
    btFindMeter->setObjectName(QStringLiteral("btFindMeter"));
    btFindMeter->setToolTip(tr("Try every serial device for the meter"));
    // One row per device tried: the device, and what it did in words that
    // wrap within the dialog, so every verdict reads without scrolling.
    lstFound = new QTableWidget(0, 2, this);
    lstFound->setObjectName(QStringLiteral("lstFound"));
    lstFound->setHorizontalHeaderLabels({tr("Device"), tr("Verdict")});
    lstFound->setToolTip(
        tr("Click a device where the meter answered to use it for the chosen port"));
    lstFound->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstFound->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstFound->setWordWrap(true);
    lstFound->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstFound->verticalHeader()->hide();
    lstFound->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lstFound->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    lstFound->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    lstFound->setTextElideMode(Qt::ElideMiddle);
    lstFound->setMinimumSize(FoundWidth, FoundHeight);
    lstFound->hide();

    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setDefault(true);
    CANCEL = new QPushButton(QStringLiteral("&Cancel"), this);
    CANCEL->setObjectName(QStringLiteral("CANCEL"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btFindMeter);
    buttons->addStretch();
    buttons->addWidget(OK);
    buttons->addWidget(CANCEL);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fraPort);
    layout->addWidget(lstFound);
    layout->addLayout(buttons);

    connect(m_options, &QButtonGroup::idClicked, this,
            [this](int port) { m_selection.choose(port); });
    for (int port = 1; port <= 4; ++port) {
        connect(cboDevice[static_cast<std::size_t>(port - 1)], &QComboBox::editTextChanged, this,
                [this, port](const QString &path) { m_selection.setDevice(port, path); });
    }
    connect(OK, &QPushButton::clicked, this, &SetSerPort::confirm);
    connect(CANCEL, &QPushButton::clicked, this, &SetSerPort::cancel);
    connect(btFindMeter, &QPushButton::clicked, this, &SetSerPort::findMeter);
    connect(lstFound, &QTableWidget::itemClicked, this, &SetSerPort::useFoundDevice);
    connect(m_finder, &MeterFinder::probed, this, &SetSerPort::showFound);
    connect(m_finder, &MeterFinder::finished, this,
            [this] { btFindMeter->setText(tr("Find Meter")); });
}

void SetSerPort::setOwnDevice(const QString &path, bool answering)
{
    m_finder->setOwnDevice(path, answering);
}

void SetSerPort::done(int result)
{
    // However the dialog closes, no device is left open by the search.
    m_finder->cancel();
    QDialog::done(result);
}

void SetSerPort::findMeter()
{
    if (m_finder->isRunning()) {
        m_finder->cancel();
        return;
    }
    QStringList configured;
    for (int port = 1; port <= 4; ++port)
        configured.append(m_selection.device(port));
    lstFound->setRowCount(0);
    lstFound->show();
    // The dialog grows to give the results room.
    resize(size().expandedTo(sizeHint()));
    btFindMeter->setText(tr("Stop Search"));
    m_finder->start(MeterFinder::candidates(configured));
}

void SetSerPort::showFound(const MeterFinder::Result &result)
{
    // The verdict is what describe says after the device's name.
    const QString text = MeterFinder::describe(result);
    qsizetype cut = text.indexOf(QStringLiteral(": "), result.candidate.path.size());
    if (cut < 0)
        cut = result.candidate.path.size();
    const int row = lstFound->rowCount();
    lstFound->insertRow(row);
    const QStringList cells = {text.left(cut).replace(QStringLiteral(" ("), QStringLiteral("\n(")),
                               text.mid(cut + 2)};
    for (int column = 0; column < 2; ++column) {
        auto *item = new QTableWidgetItem(cells[column]);
        item->setToolTip(text);
        if (result.outcome == MeterFinder::Outcome::Answered) {
            item->setData(Qt::UserRole, result.candidate.path);
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
        lstFound->setItem(row, column, item);
    }
    lstFound->scrollToItem(lstFound->item(row, 0));
}

void SetSerPort::useFoundDevice(QTableWidgetItem *item)
{
    const QString path = item->data(Qt::UserRole).toString();
    if (path.isEmpty())
        return;
    // With no port chosen yet the meter goes on the first one.
    if (m_selection.pending() == 0)
        m_selection.choose(1);
    showPending();
    cboDevice[static_cast<std::size_t>(m_selection.pending() - 1)]->setEditText(path);
}

void SetSerPort::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    WindowPlacement::centreOnScreen(*this);

    m_selection.begin();
    QStringList present;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        present.append(info.systemLocation());
    for (int port = 1; port <= 4; ++port) {
        QComboBox *box = cboDevice[static_cast<std::size_t>(port - 1)];
        const QString configured = m_selection.device(port);
        const QSignalBlocker quiet(box);
        box->clear();
        box->addItems(present);
        box->setEditText(configured);
    }
    showPending();
}

void SetSerPort::showPending()
{
    // With no valid port configured no option is selected, which an exclusive group cannot show.
    m_options->setExclusive(false);
    for (int port = 1; port <= 4; ++port)
        Option[static_cast<std::size_t>(port - 1)]->setChecked(port == m_selection.pending());
    m_options->setExclusive(true);
}

void SetSerPort::confirm()
{
    // The device being tried may be the one to open.
    m_finder->cancel();
    const QString failure = m_selection.confirm();
    if (failure.isEmpty()) {
        accept();
        return;
    }
    // The options show the port a second OK would open.
    showPending();
    m_showMessage(QMessageBox::Critical, QStringLiteral("Error in Communication"), failure);
}

void SetSerPort::cancel()
{
    m_selection.cancel();
    reject();
}
