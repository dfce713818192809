#include "frmViewer.h"

#include "UserPrompt.h"
#include "frmGraph.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <array>

namespace {

// Column widths in characters: instrument, date and time, value, mark,
// units, status, detector.
constexpr std::array<int, SavedListModel::ColumnCount> ColumnChars{12, 19, 11, 4, 8, 16, 12};

} // namespace

frmViewer *frmViewer::open(const QString &path, const ListViewer::Services &services,
                           QWidget *owner)
{
    auto *window = new frmViewer(path, services, owner);
    const QString refused = window->m_viewer.load();
    if (!refused.isEmpty()) {
        delete window;
        QMessageBox::warning(owner, UserPrompt::ProgramTitle, refused);
        return nullptr;
    }
    window->build();
    window->connectCommands();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

frmViewer::frmViewer(const QString &path, const ListViewer::Services &services, QWidget *owner)
    : QWidget(owner, Qt::Window), m_viewer(path, services)
{
    setObjectName(QStringLiteral("frmViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_chooseReportPath = [this](const QString &suggested) {
        return QFileDialog::getSaveFileName(this, tr("Survey Report"), suggested,
                                            tr("PDF files (*.pdf)"));
    };
}

frmViewer::~frmViewer()
{
    // The graph window, the table and the report's thread use what m_viewer
    // holds, which goes before the base class would delete them.
    delete m_report;
    delete m_graph;
    delete m_table;
}

void frmViewer::build()
{
    setWindowTitle(m_viewer.title());
    auto *layout = new QVBoxLayout(this);

    m_legend = new QLabel(m_viewer.legend().join(u'\n'), this);
    m_legend->setObjectName(QStringLiteral("lblLegend"));
    m_legend->setTextFormat(Qt::PlainText);
    m_legend->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_legend);

    m_note = new QLabel(m_viewer.note(), this);
    m_note->setObjectName(QStringLiteral("lblNote"));
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    m_note->setVisible(!m_note->text().isEmpty());
    layout->addWidget(m_note);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tblRecords"));
    m_table->setModel(&m_viewer.model());
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    // Fixed sizes: nothing measures the rows, whatever their number.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // Digits are wider than the average character; a column must hold its
    // widest text, a date-time or "OvrThrRate (127)", whole.
    const int charWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) / 10;
    const int cellPadding = 2 * fontMetrics().horizontalAdvance(QLatin1Char(' ')) + 8;
    for (int column = 0; column < SavedListModel::ColumnCount; ++column)
        m_table->setColumnWidth(column,
                                ColumnChars[static_cast<size_t>(column)] * charWidth + cellPadding);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);

    auto *commands = new QHBoxLayout;
    const auto addButton = [this, commands](const QString &name, const QString &caption) {
        auto *button = new QPushButton(caption, this);
        button->setObjectName(name);
        commands->addWidget(button);
        return button;
    };
    m_graphButton = addButton(QStringLiteral("btGraph"), QStringLiteral("Graph"));
    m_graphButton->setEnabled(m_viewer.graphAvailable());
    m_reportButton = addButton(QStringLiteral("btReport"), QStringLiteral("&Report..."));
    m_reportButton->setEnabled(m_viewer.reportAvailable());
    commands->addStretch(1);
    m_closeButton = addButton(QStringLiteral("btClose"), QStringLiteral("&Close"));
    layout->addLayout(commands);
    resize(980, 640);
}

void frmViewer::connectCommands()
{
    connect(m_graphButton, &QPushButton::clicked, this, &frmViewer::showGraph);
    connect(m_reportButton, &QPushButton::clicked, this, &frmViewer::writeReport);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void frmViewer::showGraph()
{
    // The selected rows, or the whole survey.
    QList<int> rows;
    for (const QItemSelectionRange &range : m_table->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    m_viewer.showInGraph(rows);
    if (!m_graph)
        m_graph = new frmGraph(m_viewer.graph(), this);
    m_graph->showBeside(this, false);
}

void frmViewer::writeReport()
{
    if (m_report)
        return;
    const QString pdfPath = m_chooseReportPath(m_viewer.suggestedReportPath());
    if (pdfPath.isEmpty())
        return;
    m_reportButton->setEnabled(false);
    // Not modal: a modal progress dialog handles events inside setValue().
    m_reportProgress = new QProgressDialog(
        tr("Writing the report of %1...").arg(QFileInfo(m_viewer.path()).fileName()), tr("Cancel"),
        0, 100, this);
    m_reportProgress->setObjectName(QStringLiteral("dlgReportProgress"));
    m_reportProgress->setWindowTitle(UserPrompt::ProgramTitle);
    m_reportProgress->setAutoClose(false);
    m_reportProgress->setAutoReset(false);
    m_reportProgress->setMinimumDuration(0);
    m_reportProgress->show();
    m_report = m_viewer.startReport(pdfPath, this);
    connect(m_report, &ReportTask::progressed, m_reportProgress, &QProgressDialog::setValue);
    connect(m_reportProgress, &QProgressDialog::canceled, m_report, &ReportTask::cancel);
    connect(m_report, &ReportTask::finished, this,
            [this, pdfPath](const QString &problem) { reportFinished(problem, pdfPath); });
}

void frmViewer::reportFinished(const QString &problem, const QString &pdfPath)
{
    const bool cancelled = m_report->wasCancelled();
    m_report->deleteLater();
    m_report = nullptr;
    m_reportProgress->deleteLater();
    m_reportProgress = nullptr;
    m_reportButton->setEnabled(true);
    if (problem.isEmpty())
        QMessageBox::information(this, UserPrompt::ProgramTitle,
                                 tr("The report was written to %1.").arg(pdfPath));
    else if (!cancelled)
        QMessageBox::warning(this, UserPrompt::ProgramTitle, problem);
}
