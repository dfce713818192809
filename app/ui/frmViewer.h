#pragma once

#include "ListViewer.h"

#include <QWidget>

#include <functional>

class QLabel;
class QProgressDialog;
class QPushButton;
class ReportTask;
class QTableView;
class frmGraph;

// A saved list on screen: its legend above the table of its records, with
// Graph and Report. It shows what ListViewer holds; the file is only read.
class frmViewer : public QWidget
{
    Q_OBJECT

public:
    // Reads `path` and shows it in a window of its own over `owner`; a file
    // that is not a list is refused in a message box, and nothing is returned.
    static frmViewer *open(const QString &path, const ListViewer::Services &services,
                           QWidget *owner);
    ~frmViewer() override;

    ListViewer &viewer() { return m_viewer; }
    // The graph window, once Graph has been pressed.
    frmGraph *graphWindow() const { return m_graph; }
    // Asks where the report goes, starting from the path given; empty when
    // the user cancels. A file dialog unless set otherwise.
    using ReportPathChooser = std::function<QString(const QString &suggested)>;
    void setReportPathChooser(ReportPathChooser chooser)
    {
        m_chooseReportPath = std::move(chooser);
    }
    // The report being written, while it is.
    ReportTask *reportTask() const { return m_report; }

private:
    frmViewer(const QString &path, const ListViewer::Services &services, QWidget *owner);
    void build();
    void connectCommands();
    void showGraph();
    void writeReport();
    void reportFinished(const QString &problem, const QString &pdfPath);

    ListViewer m_viewer;
    QLabel *m_legend = nullptr;
    QLabel *m_note = nullptr;
    QTableView *m_table = nullptr;
    QPushButton *m_graphButton = nullptr;
    QPushButton *m_reportButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    frmGraph *m_graph = nullptr;
    ReportPathChooser m_chooseReportPath;
    ReportTask *m_report = nullptr;
    QProgressDialog *m_reportProgress = nullptr;
};
