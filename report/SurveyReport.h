#pragma once

#include "ReportContext.h"

#include <QString>

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

    // Writes the report of `list` to `pdfPath` through a file beside it, synced
    // and renamed into place. Empty on success, else the message for the user;
    // a list without records writes nothing.
    static QString write(const SavedList &list, const QString &pdfPath,
                         const ReportContext &context);

    // The report as PDF bytes; empty for a list without records, and in a
    // program without a QGuiApplication, which cannot draw text.
    static QByteArray document(const SavedList &list, const ReportContext &context);
};
