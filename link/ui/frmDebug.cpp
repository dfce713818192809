#include "frmDebug.h"

#include "TraceLog.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

const QString frmDebug::TraceFileName = QStringLiteral("TeskDbg.txt");

frmDebug::frmDebug(TraceLog &log, QString programFolder, Clock clock, QWidget *parent)
    : QDialog(parent)
    , m_log(log)
    , m_programFolder(std::move(programFolder))
    , m_clock(std::move(clock))
{
    setObjectName(QStringLiteral("frmDebug"));
    setWindowTitle(QStringLiteral("Debug"));
    setModal(false);
    m_showMessage = messageBoxHook(this);

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setUniformItemSizes(true);
    List1->setMinimumSize(480, 240);
    chkShowAll = new QCheckBox(QStringLiteral("Show All"), this);
    chkShowAll->setObjectName(QStringLiteral("chkShowAll"));
    auto makeCounter = [this](const QString &labelName, const QString &caption,
                              const QString &boxName, QLabel *&label) {
        label = new QLabel(caption, this);
        label->setObjectName(labelName);
        auto *box = new QLineEdit(this);
        box->setObjectName(boxName);
        box->setReadOnly(true);
        label->setBuddy(box);
        return box;
    };
    edErrCount = makeCounter(QStringLiteral("lblErrCount"), QStringLiteral("Error Count:"),
                             QStringLiteral("edErrCount"), lblErrCount);
    edTotalErrors = makeCounter(QStringLiteral("lblTotalErrors"), QStringLiteral("Total Errors:"),
                                QStringLiteral("edTotalErrors"), lblTotalErrors);
    btClear = new QPushButton(QStringLiteral("Clear"), this);
    btClear->setObjectName(QStringLiteral("btClear"));
    btSave = new QPushButton(QStringLiteral("Save"), this);
    btSave->setObjectName(QStringLiteral("btSave"));
    btSave->setAutoDefault(false);
    btClear->setAutoDefault(false);

    auto *side = new QGridLayout;
    side->addWidget(chkShowAll, 0, 0, 1, 2);
    side->addWidget(lblErrCount, 1, 0);
    side->addWidget(edErrCount, 1, 1);
    side->addWidget(lblTotalErrors, 2, 0);
    side->addWidget(edTotalErrors, 2, 1);
    side->setRowStretch(3, 1);
    side->addWidget(btClear, 4, 0, 1, 2);
    side->addWidget(btSave, 5, 0, 1, 2);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(List1, 1);
    layout->addLayout(side);

    List1->addItems(m_log.lines());
    List1->scrollToBottom();
    chkShowAll->setChecked(m_log.showAll());
    showCounters(m_log.errorCount(), m_log.totalErrors());

    connect(&m_log, &TraceLog::lineAdded, this, [this](const QString &line) {
        List1->addItem(line);
        List1->scrollToBottom();
    });
    connect(&m_log, &TraceLog::cleared, List1, &QListWidget::clear);
    connect(&m_log, &TraceLog::countersChanged, this, &frmDebug::showCounters);
    connect(chkShowAll, &QCheckBox::toggled, this,
            [this](bool checked) { m_log.setShowAll(checked); });
    connect(btClear, &QPushButton::clicked, &m_log, &TraceLog::clear);
    connect(btSave, &QPushButton::clicked, this, &frmDebug::save);
}

// A minimised window still counts as shown; only a real show or hide changes tracing.
void frmDebug::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        m_log.setShown(true);
}

void frmDebug::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        m_log.setShown(false);
}

void frmDebug::showCounters(qint16 errorCount, qint16 totalErrors)
{
    edErrCount->setText(QString::number(errorCount));
    edTotalErrors->setText(QString::number(totalErrors));
}

void frmDebug::save()
{
    const QString path = QDir(m_programFolder).filePath(TraceFileName);
    const QString failure = m_log.save(path, m_clock());
    if (failure.isEmpty())
        m_showMessage(QMessageBox::NoIcon, QStringLiteral("TESK"),
                      QStringLiteral("Data saved in file TeskDbg.txt"));
    else
        m_showMessage(QMessageBox::Warning, QStringLiteral("TESK"),
                      tr("The trace was not saved.\n%1").arg(failure));
}
