#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class Clock;
class DesktopOpener;
class ProfileFile;
class SurveyLegend;
class UserPrompt;
class WorkingListFile;

// The save dialog's logic: its settings, the suggested name and the two
// commands. Each confirmed command runs the text export first; the workbook
// and the macro workbook follow on request. The dialog shows what this holds
// and closes when a command says so.
class ListSaver
{
public:
    struct Services
    {
        const ProfileFile &settings;
        UserPrompt &prompt;
        DesktopOpener &opener;
        WorkingListFile &list;
        const SurveyLegend &legend;
        QString programFolder;
        const Clock *clock = nullptr; // today for the workbook; the computer's when none
        std::function<void(bool)> busy = [](bool) {
        }; // the busy cursor on or off
    };

    enum class Next { StayOpen, Close };

    static inline const QString ExcelFailure =
        QStringLiteral("Error while trying to save to Excel.");
    static inline const QString MacroQuestion =
        QStringLiteral("Click 'Yes' to run macro (Template.xls).\nYou may edit the macro at any "
                       "stage. ");

    explicit ListSaver(const Services &services);

    // Reads the settings and works out the suggested name.
    void load();

    // "Open Excel after save" changed: the choice is kept in the settings.
    void openExcelChanged(bool ticked);
    // "Save report (PDF)" changed: kept in the settings too.
    void reportChanged(bool ticked);

    // With `saveReport`, the survey report <name>.pdf is written beside the text files.
    Next save(const QString &name, bool saveInExcel, bool openExcel, bool saveReport = false);
    Next runMacro(const QString &name, bool openExcel);

    // The counter after `number`; past 32767 it starts again at 1.
    static qint16 nextFileNumber(qint16 number);
    // "TeskData 4", "TeskData-4".
    static QString suggestedName(const QString &fileName, qint16 number);

    qint16 FileNumber = 0;
    QString FileName = QStringLiteral("TeskData");
    qint16 OpenExel = 1;
    QString CommonFileName = QStringLiteral("Data4Excel");
    int ReturnCode = 0; // 0 while open or closed from the title bar, 1 saved, 2 cancelled

    QString edFileName = QStringLiteral("data");
    bool openExcelTicked = false;
    bool reportTicked = false;

private:
    // Asks before a user file (or, with the workbook or report, that file) of
    // that name is replaced; a dismissed question writes nothing.
    bool writeTextFiles(const QString &name, bool withWorkbook, bool withReport = false);
    void writeReport(const QString &name);
    void tell(const QString &text);

    Services m_services;
};
