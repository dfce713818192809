#include "Xl.h"

#include "Clock.h"
#include "DateStyles.h"
#include "DesktopOpener.h"
#include "FileReplacement.h"
#include "FormulaResults.h"
#include "ListEncoding.h"
#include "ListLineReader.h"
#include "PartReader.h"
#include "RecordLine.h"
#include "RegularFile.h"
#include "TemplateWorkbook.h"
#include "UserPrompt.h"
#include "WorkingListFile.h"
#include "XmlPartWriter.h"

#include <QBuffer>
#include <QFileInfo>
#include <QObject>
#include <QTemporaryFile>
#include <QXmlStreamReader>

#include <new>

namespace {

const QStringList HeaderNames = {QStringLiteral("DeptCell"), QStringLiteral("DateCell"),
                                 QStringLiteral("DetCell"), QStringLiteral("LocCell"),
                                 QStringLiteral("UserCell")};
const QString FirstLineName = QStringLiteral("FirstLine");

// A part copied token by token; `edit` may write instead of the token
// (returning true) or leave it to be copied. Nothing, with the reason in
// `problem`, when the part cannot be read to its end.
std::optional<QByteArray>
rewritten(const XlsxPackage::Part &part, QString &problem,
          const std::function<bool(QXmlStreamReader &, XmlPartWriter &)> &edit)
{
    QByteArray result;
    QBuffer out(&result);
    out.open(QIODevice::WriteOnly);
    XmlPartWriter writer(out);
    writer.declaration();
    PartReader reader(part.bytes);
    QXmlStreamReader &xml = reader.xml();
    while (!reader.atEnd()) {
        reader.readNext();
        if (!edit(xml, writer))
            writer.copyToken(xml);
    }
    writer.flush();
    problem = reader.problem(part.name);
    if (!problem.isEmpty())
        return std::nullopt;
    return result;
}

bool endsIn(QStringView text, QStringView tail)
{
    return text.endsWith(tail);
}

// A date or date-time as the workbook counts days: from 1 January 1904 in
// the 1904 date system.
void toDateSystem(CellValue &value, bool date1904)
{
    constexpr double Days1900To1904 = 1462;
    const bool date =
        value.kind == CellValue::Kind::Date || value.kind == CellValue::Kind::DateTime;
    if (date1904 && date)
        value.number -= Days1900To1904;
}

// Whether a part is a worksheet (and not, say, the styles under a sheet's
// name); false, with the reason in `problem`, when it cannot be read.
bool isWorksheet(const XlsxPackage::Part &part, QString &problem)
{
    PartReader reader(part.bytes);
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement)
            return reader.xml().name() == u"worksheet";
    problem = reader.problem(part.name);
    return false;
}

} // namespace

Xl::Xl(QString programFolder, UserPrompt &prompt, DesktopOpener &opener, const Clock *clock)
    : m_folder(std::move(programFolder)), m_prompt(prompt), m_opener(opener), m_clock(clock)
{}

Xl::~Xl() = default;

QString Xl::templateProblem(const QString &templatePath, const QString &problem)
{
    return QObject::tr("The template %1 cannot be used: %2.").arg(templatePath, problem);
}

bool Xl::OpenXl(const QString &templatePath, bool visible)
{
    // The workbook is shown once it is saved; nothing is on screen before.
    Q_UNUSED(visible)
    QString problem;
    m_templatePath = templatePath;
    m_template = XlsxPackage::read(templatePath, problem);
    // Only the parts the export reads are inflated; the others are copied as they are.
    const auto load = [this](const QString &name, QString &why) {
        return XlsxPackage::inflate(*m_template, {name}, why);
    };
    if (m_template)
        m_parts = WorkbookParts::parse(*m_template, problem, load);
    if (m_parts) {
        for (const QString &name : HeaderNames + QStringList{FirstLineName}) {
            const auto place = m_parts->place(name, problem);
            if (!place)
                break;
            if (!XlsxPackage::find(*m_template, place->sheetPart)) {
                problem = QObject::tr("the sheet of its name %1 is missing").arg(name);
                break;
            }
            if (!load(place->sheetPart, problem))
                break;
            if (!isWorksheet(*XlsxPackage::find(*m_template, place->sheetPart), problem)) {
                if (problem.isEmpty())
                    problem =
                        QObject::tr("its name %1 points to the part %2, which is not a worksheet")
                            .arg(name, place->sheetPart);
                break;
            }
            m_places[name] = *place;
        }
    }
    if (problem.isEmpty()) {
        const WorkbookParts::CellPlace &first = m_places[FirstLineName];
        if (first.column + ListToCells::ColumnCount > WorkbookParts::ColumnLimit)
            problem =
                QObject::tr("its name %1 points to %2, where the %3 columns of a record "
                            "do not fit")
                    .arg(FirstLineName,
                         QString::fromLatin1(WorkbookParts::cellReference(first.row, first.column)))
                    .arg(ListToCells::ColumnCount);
    }
    if (problem.isEmpty() && !m_parts->calcChainPart.isEmpty())
        load(QStringLiteral("[Content_Types].xml"), problem);
    // Every sheet is read, filled or not, to drop the stored results of its formulas.
    if (problem.isEmpty()) {
        QStringList sheets;
        for (const XlsxPackage::Part &part : *m_template)
            if (m_parts->isSheetPart(part.name))
                sheets << part.name;
        XlsxPackage::inflate(*m_template, sheets, problem);
    }
    if (!problem.isEmpty()) {
        m_problem = templateProblem(templatePath, problem);
        CloseXl();
        return false;
    }
    return true;
}

void Xl::CloseXl()
{
    m_records.reset();
    m_list.close();
    m_template.reset();
    m_parts.reset();
    m_places.clear();
    m_cells.clear();
}

bool Xl::ListToXl(const QString &basePath)
{
    const QString listPath = basePath + QStringLiteral(".lst");
    if (QString problem; !RegularFile::open(m_list, listPath, problem)) {
        m_problem = QObject::tr("The list file cannot be read: %1").arg(problem);
        return false;
    }
    m_utf8 = ListEncoding::isUtf8(m_list);
    for (;;) {
        m_list.seek(0);
        m_records = std::make_unique<ListLineReader>(m_list);
        QStringList legend;
        QByteArray line;
        int errors = 0;
        m_lineNumber = 0;
        while (m_lineNumber < WorkingListFile::HeaderLineCount && m_records->nextLine(line)) {
            ++m_lineNumber;
            if (m_lineNumber > 5)
                continue;
            const auto value = ListToCells::legendValue(static_cast<int>(m_lineNumber),
                                                        WorkingListFile::unquote(line, m_utf8));
            legend << value.value_or(QString());
            if (!value)
                ++errors;
            if (errors == 0)
                continue;
            const auto answer = m_prompt.show(
                {QStringLiteral("Input file format error has occured"), QStringLiteral("Error"),
                 UserPrompt::Icon::Exclamation, UserPrompt::Buttons::AbortRetryIgnore});
            if (answer == UserPrompt::Answer::Retry)
                break;
            // Abort, Ignore or a dismissed box: the workbook is saved as far as filled.
            m_records.reset();
            return true;
        }
        if (errors > 0)
            continue;
        if (m_lineNumber < WorkingListFile::HeaderLineCount) {
            // Too short for a legend: the workbook is the template's, unfilled.
            m_records.reset();
            return true;
        }
        const QDate today = m_clock ? m_clock->now().date() : SystemClock().now().date();
        const auto date = ListToCells::legendDate(legend[1], today);
        if (!date) {
            m_problem =
                QObject::tr("The legend date \"%1\" in %2 is not a date.").arg(legend[1], listPath);
            return false;
        }
        const CellValue values[] = {CellValue::ofText(legend[0]), CellValue::ofDate(*date),
                                    CellValue::ofText(legend[2]), CellValue::ofText(legend[3]),
                                    CellValue::ofText(legend[4])};
        for (qsizetype i = 0; i < HeaderNames.size(); ++i) {
            const WorkbookParts::CellPlace &place = m_places[HeaderNames[i]];
            CellValue &cell = m_cells[place.sheetPart][{place.row, place.column}];
            cell = values[i];
            toDateSystem(cell, m_parts->date1904);
        }
        return true;
    }
}

bool Xl::nextRecord(ListToCells::Row &row)
{
    QByteArray line;
    std::optional<ListToCells::Row> values;
    while (!values) {
        if (!m_records || !m_records->nextLine(line))
            return false;
        // A line that is no record is passed over, as every reader of a list does.
        values = ListToCells::recordRow(WorkingListFile::unquote(line, m_utf8));
        if (!values && m_skippedLines++ == 0)
            m_firstSkippedLine = m_records->lineNumber();
    }
    row = std::move(*values);
    for (CellValue &value : row)
        toDateSystem(value, m_parts->date1904);
    return true;
}

bool Xl::saveWorkbook(const QString &path)
{
    const std::vector<XlsxPackage::Part> &parts = *m_template;
    const XlsxPackage::Part *stylesPart = XlsxPackage::find(parts, m_parts->stylesPart);
    DateStyles styles(*m_parts, stylesPart ? stylesPart->bytes : QByteArray());
    const WorkbookParts::CellPlace &first = m_places[FirstLineName];
    SheetFiller::Table table{first.row, first.column,
                             [this](ListToCells::Row &row) { return nextRecord(row); }, 0};

    // The filled sheets go to files beside the workbook, so no list is held whole.
    std::map<QString, std::unique_ptr<QTemporaryFile>> sheets;
    for (const XlsxPackage::Part &part : parts) {
        const bool hasTable = m_records && part.name == first.sheetPart;
        if (!hasTable && !m_cells.contains(part.name))
            continue;
        auto file =
            std::make_unique<QTemporaryFile>(m_folder + QStringLiteral("/.tesk-sheet-XXXXXX"));
        if (!file->open()) {
            m_problem = QObject::tr("A work file in %1 cannot be written: %2")
                            .arg(m_folder, file->errorString());
            return false;
        }
        SheetFiller filler(styles);
        QString problem;
        const bool written = filler.write(part.name, part.bytes, m_cells[part.name],
                                          hasTable ? &table : nullptr, *file, problem);
        if (!written && filler.templateFault()) {
            m_problem = templateProblem(m_templatePath, problem);
            return false;
        }
        if (!written || !file->flush()) {
            m_problem = QObject::tr("%1 cannot be written: %2")
                            .arg(path, problem.isEmpty() ? file->errorString() : problem);
            return false;
        }
        file->close();
        sheets[part.name] = std::move(file);
    }
    m_recordsWritten = table.rowsWritten;
    if (m_records) {
        // Records past the worksheet's last row; lines that are none are skipped still.
        QByteArray line;
        while (m_records->nextLine(line)) {
            if (RecordLine::isRecord(WorkingListFile::unquote(line, m_utf8)))
                ++m_leftOut;
            else if (m_skippedLines++ == 0)
                m_firstSkippedLine = m_records->lineNumber();
        }
    }
    if (!sheets.contains(first.sheetPart) && !m_cells.empty() && m_records) {
        m_problem = QObject::tr("The template's sheet for FirstLine is missing.");
        return false;
    }

    const QString calcChain = m_parts->calcChainPart;
    std::vector<XlsxPackage::Part> output;
    for (const XlsxPackage::Part &part : parts) {
        if (part.name == calcChain)
            continue; // the application rebuilds it when it recalculates
        XlsxPackage::Part copy = part;
        QString problem;
        std::optional<QByteArray> rewrittenPart;
        if (const auto sheet = sheets.find(part.name); sheet != sheets.end()) {
            copy.bytes.clear();
            copy.file = sheet->second->fileName();
        } else if (m_parts->isSheetPart(part.name)) {
            FormulaResults results;
            rewrittenPart =
                rewritten(part, problem, [&results](QXmlStreamReader &xml, XmlPartWriter &) {
                    return results.skipStored(xml);
                });
        } else if (part.name == m_parts->stylesPart && styles.changed()) {
            rewrittenPart = styles.rewrite(part.bytes);
            if (!rewrittenPart)
                problem = QObject::tr("its part %1 is damaged").arg(part.name);
        } else if (part.name == m_parts->workbookPart) {
            // Formulas of the template are recalculated when the workbook opens.
            const bool hasCalcPr = part.bytes.contains("calcPr");
            rewrittenPart =
                rewritten(part, problem, [hasCalcPr](QXmlStreamReader &xml, XmlPartWriter &writer) {
                    if (xml.isStartElement() && xml.name() == u"calcPr") {
                        writer.copyStartElement(xml, {u"fullCalcOnLoad"}, "fullCalcOnLoad=\"1\"");
                        return true;
                    }
                    if (!hasCalcPr && xml.isEndElement() && xml.name() == u"definedNames") {
                        writer.copyToken(xml);
                        const QByteArray prefix =
                            xml.prefix().isEmpty() ? QByteArray() : xml.prefix().toUtf8() + ':';
                        writer.raw('<' + prefix + "calcPr fullCalcOnLoad=\"1\"/>");
                        return true;
                    }
                    return false;
                });
        } else if (!calcChain.isEmpty() && part.name == m_parts->workbookRelsPart) {
            rewrittenPart = rewritten(part, problem, [](QXmlStreamReader &xml, XmlPartWriter &) {
                if (xml.isStartElement() && xml.name() == u"Relationship" &&
                    endsIn(xml.attributes().value(QStringLiteral("Type")), u"/calcChain")) {
                    xml.skipCurrentElement();
                    return true;
                }
                return false;
            });
        } else if (!calcChain.isEmpty() && part.name == QStringLiteral("[Content_Types].xml")) {
            rewrittenPart =
                rewritten(part, problem, [&calcChain](QXmlStreamReader &xml, XmlPartWriter &) {
                    if (xml.isStartElement() && xml.name() == u"Override" &&
                        xml.attributes().value(QStringLiteral("PartName")) == u'/' + calcChain) {
                        xml.skipCurrentElement();
                        return true;
                    }
                    return false;
                });
        }
        if (!problem.isEmpty()) {
            m_problem = templateProblem(m_templatePath, problem);
            return false;
        }
        if (rewrittenPart)
            copy.bytes = std::move(*rewrittenPart);
        output.push_back(std::move(copy));
    }
    m_problem = XlsxPackage::write(path, output);
    return m_problem.isEmpty();
}

bool Xl::SaveXl(const QString &FileName, bool mClose)
{
    m_problem.clear();
    m_leftOut = 0;
    m_recordsWritten = 0;
    m_skippedLines = 0;
    m_firstSkippedLine = 0;
    const QString templatePath = m_folder + QChar(u'/') + TemplateName;
    const QString output = m_folder + QChar(u'/') + FileName + WorkbookExtension;
    if (QFileInfo(output).absoluteFilePath() == QFileInfo(templatePath).absoluteFilePath() ||
        FileReplacement::sameFile(output, templatePath)) {
        m_problem = QObject::tr("A workbook named %1 would replace the template.").arg(output);
        return false;
    }
    if (!QFileInfo::exists(templatePath)) {
        if (const QString problem = TemplateWorkbook::write(templatePath); !problem.isEmpty()) {
            m_problem = QObject::tr("The template %1 is missing and cannot be made: %2")
                            .arg(templatePath, problem);
            return false;
        }
    }
    bool saved = false;
    try {
        if (!OpenXl(templatePath, !mClose))
            return false;
        saved = ListToXl(m_folder + QChar(u'/') + FileName) && saveWorkbook(output);
    } catch (const std::bad_alloc &) {
        // The work files are gone with the objects that held them.
        m_problem = QObject::tr("There is not enough memory to make the workbook %1.").arg(output);
    }
    CloseXl();
    if (!saved)
        return false;
    if (!mClose) {
        if (const QString problem = m_opener.open(output); !problem.isEmpty()) {
            m_problem = QObject::tr("The workbook %1 is saved, but %2.").arg(output, problem);
            return false;
        }
    }
    return true;
}

bool Xl::OpenTemplate(bool mClose)
{
    // The application opens the workbook and runs its macro; closing it at
    // once would end the macro, so it is opened either way.
    Q_UNUSED(mClose)
    for (const char *extension : {".xls", ".xlsm", ".xlsx", ".ods"}) {
        const QString path = m_folder + QStringLiteral("/template") + QLatin1String(extension);
        if (!QFileInfo::exists(path))
            continue;
        m_problem = m_opener.open(path);
        return m_problem.isEmpty();
    }
    m_problem = QObject::tr("There is no macro workbook template.xls (nor template.xlsm, "
                            "template.xlsx or template.ods) in %1.")
                    .arg(m_folder);
    return false;
}
