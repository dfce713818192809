#pragma once

#include "ReportContext.h"

#include <QString>

#include <functional>

class SavedList;

// The survey report of a saved list as a PDF document: the legend, the
// instruments and their calibration, a summary of the readings, the graph and
// every record in the workbook's columns, on numbered A4 pages.
class SurveyReport
{
public:
    static inline const QString Extension = QStringLiteral(".pdf");
    // The graph is drawn from at most this many points; the table keeps every record.
    static constexpr int GraphColumns = 1000;

    // Told the share of the report drawn (0 to 1) now and then, on the thread
    // that draws it; false stops the drawing, and nothing is written.
    using Progress = std::function<bool(double done)>;

    // Writes the report of `list` to `pdfPath` through a file beside it, synced
    // and renamed into place. Empty on success, else the message for the user;
    // a list without records writes nothing.
    static QString write(const SavedList &list, const QString &pdfPath,
                         const ReportContext &context, const Progress &progress = {});

    // The report as PDF bytes; empty for a list without records, in a program
    // without a QGuiApplication, which cannot draw text, and when stopped.
    static QByteArray document(const SavedList &list, const ReportContext &context,
                               const Progress &progress = {});
};
