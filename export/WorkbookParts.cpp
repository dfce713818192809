#include "WorkbookParts.h"

#include "PartReader.h"

#include <QObject>

namespace {

// The target of a relationship, as a part name inside the package.
QString resolveTarget(const QString &folder, const QString &target)
{
    if (target.startsWith(QChar(u'/')))
        return target.mid(1);
    QStringList path = folder.isEmpty() ? QStringList() : folder.split(QChar(u'/'));
    for (const QString &step : target.split(QChar(u'/'))) {
        if (step == QStringLiteral(".."))
            path.isEmpty() ? void() : path.removeLast();
        else if (step != QStringLiteral("."))
            path << step;
    }
    return path.join(QChar(u'/'));
}

QString folderOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(QChar(u'/'));
    return slash < 0 ? QString() : part.left(slash);
}

QString relsOf(const QString &part)
{
    const QString folder = folderOf(part);
    const QString file = part.mid(folder.isEmpty() ? 0 : folder.size() + 1);
    return (folder.isEmpty() ? QString() : folder + QChar(u'/')) + QStringLiteral("_rels/") + file +
           QStringLiteral(".rels");
}

struct Relationship
{
    QString type;
    QString target;
};

// The relationships of a part (none when there is no such part); nothing,
// with the reason in `problem`, when the part cannot be read.
std::optional<std::map<QString, Relationship>>
relationships(const XlsxPackage::Part *part, const QString &sourceFolder, QString &problem)
{
    std::map<QString, Relationship> found;
    if (!part)
        return found;
    PartReader reader(part->bytes);
    QXmlStreamReader &xml = reader.xml();
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
            continue;
        const auto a = xml.attributes();
        if (a.value(QStringLiteral("TargetMode")) == u"External")
            continue;
        found[a.value(QStringLiteral("Id")).toString()] = {
            a.value(QStringLiteral("Type")).toString(),
            resolveTarget(sourceFolder, a.value(QStringLiteral("Target")).toString())};
    }
    problem = reader.problem(part->name);
    if (!problem.isEmpty())
        return std::nullopt;
    return found;
}

} // namespace

bool WorkbookParts::parseCellReference(QStringView text, int &row, int &column)
{
    qsizetype i = 0;
    if (i < text.size() && text[i] == u'$')
        ++i;
    qint64 col = 0;
    const qsizetype lettersStart = i;
    while (i < text.size() && text[i].toUpper() >= u'A' && text[i].toUpper() <= u'Z' &&
           col <= ColumnLimit)
        col = col * 26 + (text[i++].toUpper().unicode() - u'A' + 1);
    if (i == lettersStart)
        return false;
    if (i < text.size() && text[i] == u'$')
        ++i;
    qint64 r = 0;
    const qsizetype digitsStart = i;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9' && r <= RowLimit)
        r = r * 10 + (text[i++].unicode() - u'0');
    if (i == digitsStart || i != text.size() || r < 1 || r > RowLimit || col > ColumnLimit)
        return false;
    row = static_cast<int>(r - 1);
    column = static_cast<int>(col - 1);
    return true;
}

QByteArray WorkbookParts::cellReference(int row, int column)
{
    char letters[4];
    int n = 0;
    for (int c = column + 1; c > 0 && n < 4; c = (c - 1) / 26)
        letters[n++] = static_cast<char>('A' + (c - 1) % 26);
    QByteArray text;
    while (n > 0)
        text += letters[--n];
    return text + QByteArray::number(row + 1);
}

std::optional<WorkbookParts> WorkbookParts::parse(const std::vector<XlsxPackage::Part> &parts,
                                                  QString &problem, const PartLoader &load)
{
    const auto ready = [&](const QString &name) {
        return !load || load(name, problem);
    };
    WorkbookParts wb;
    wb.workbookPart = QStringLiteral("xl/workbook.xml");
    if (!ready(QStringLiteral("_rels/.rels")))
        return std::nullopt;
    const auto packageRels =
        relationships(XlsxPackage::find(parts, QStringLiteral("_rels/.rels")), {}, problem);
    if (!packageRels)
        return std::nullopt;
    for (const auto &[id, rel] : *packageRels)
        if (rel.type.endsWith(QStringLiteral("/officeDocument")))
            wb.workbookPart = rel.target;
    wb.workbookRelsPart = relsOf(wb.workbookPart);
    if (!ready(wb.workbookPart) || !ready(wb.workbookRelsPart))
        return std::nullopt;
    const XlsxPackage::Part *workbook = XlsxPackage::find(parts, wb.workbookPart);
    if (!workbook) {
        problem = QObject::tr("it holds no workbook part");
        return std::nullopt;
    }
    const auto workbookRels = relationships(XlsxPackage::find(parts, wb.workbookRelsPart),
                                            folderOf(wb.workbookPart), problem);
    if (!workbookRels)
        return std::nullopt;
    const auto &rels = *workbookRels;
    for (const auto &[id, rel] : rels) {
        if (rel.type.endsWith(QStringLiteral("/styles")))
            wb.stylesPart = rel.target;
        else if (rel.type.endsWith(QStringLiteral("/calcChain")))
            wb.calcChainPart = rel.target;
    }

    PartReader reader(workbook->bytes);
    QXmlStreamReader &xml = reader.xml();
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = xml.attributes();
        if (xml.name() == u"sheet") {
            QString id;
            for (const QXmlStreamAttribute &attribute : a)
                if (attribute.name() == u"id")
                    id = attribute.value().toString();
            if (const auto rel = rels.find(id); rel != rels.end())
                wb.m_sheetParts[a.value(QStringLiteral("name")).toString()] = {
                    rel->second.target, rel->second.type.endsWith(QStringLiteral("/worksheet"))};
        } else if (xml.name() == u"definedName") {
            const QString name = a.value(QStringLiteral("name")).toString();
            const bool local = a.hasAttribute(QStringLiteral("localSheetId"));
            const QString reference = xml.readElementText();
            if (!local || !wb.m_names.contains(name))
                wb.m_names[name] = reference;
        } else if (xml.name() == u"workbookPr") {
            const auto system = a.value(QStringLiteral("date1904"));
            wb.date1904 = system == u"1" || system == u"true";
        }
    }
    problem = reader.problem(workbook->name);
    if (!problem.isEmpty())
        return std::nullopt;

    if (!wb.stylesPart.isEmpty() && !ready(wb.stylesPart))
        return std::nullopt;
    if (const XlsxPackage::Part *styles = XlsxPackage::find(parts, wb.stylesPart)) {
        PartReader stylesReader(styles->bytes);
        QXmlStreamReader &s = stylesReader.xml();
        bool inCellXfs = false;
        while (!stylesReader.atEnd()) {
            const auto token = stylesReader.readNext();
            if (token == QXmlStreamReader::EndElement && s.name() == u"cellXfs")
                inCellXfs = false;
            if (token != QXmlStreamReader::StartElement)
                continue;
            if (s.name() == u"numFmt")
                wb.numFmtCodes[s.attributes().value(QStringLiteral("numFmtId")).toInt()] =
                    s.attributes().value(QStringLiteral("formatCode")).toString();
            else if (s.name() == u"cellXfs")
                inCellXfs = true;
            else if (inCellXfs && s.name() == u"xf")
                wb.xfNumFmts.push_back(s.attributes().value(QStringLiteral("numFmtId")).toInt());
        }
        problem = stylesReader.problem(styles->name);
        if (!problem.isEmpty())
            return std::nullopt;
    }
    return wb;
}

std::optional<WorkbookParts::CellPlace> WorkbookParts::place(const QString &name,
                                                             QString &problem) const
{
    const auto found = m_names.find(name);
    if (found == m_names.end()) {
        problem = QObject::tr("it does not define the name %1").arg(name);
        return std::nullopt;
    }
    QString reference = found->second.trimmed();
    const qsizetype bang = reference.lastIndexOf(QChar(u'!'));
    QString sheet = bang < 0 ? QString() : reference.left(bang);
    if (sheet.startsWith(QChar(u'\'')) && sheet.endsWith(QChar(u'\'')) && sheet.size() >= 2)
        sheet = sheet.mid(1, sheet.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    QStringView cell = QStringView(reference).mid(bang + 1);
    if (const qsizetype colon = cell.indexOf(u':'); colon >= 0)
        cell = cell.left(colon);
    CellPlace place;
    const auto part = m_sheetParts.find(sheet);
    if (part == m_sheetParts.end() || !parseCellReference(cell, place.row, place.column)) {
        problem = QObject::tr("its name %1 does not point to a cell of a worksheet (%2)")
                      .arg(name, found->second);
        return std::nullopt;
    }
    if (!part->second.worksheet) {
        problem = QObject::tr("its name %1 points to the sheet %2, which is not a worksheet")
                      .arg(name, sheet);
        return std::nullopt;
    }
    place.sheetPart = part->second.part;
    return place;
}

bool WorkbookParts::isSheetPart(const QString &part) const
{
    for (const auto &[name, sheetPart] : m_sheetParts)
        if (sheetPart.worksheet && sheetPart.part == part)
            return true;
    return false;
}

bool WorkbookParts::isDateFormat(int numFmtId, const QString &code)
{
    if ((numFmtId >= 14 && numFmtId <= 22) || (numFmtId >= 27 && numFmtId <= 36) ||
        (numFmtId >= 45 && numFmtId <= 47) || (numFmtId >= 50 && numFmtId <= 58))
        return true;
    if (code.isEmpty())
        return false;
    // Letters inside quotes or brackets (texts, colours, locales) are not date parts.
    bool quoted = false;
    int bracket = 0;
    for (const QChar c : code) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'[')
            ++bracket;
        else if (!quoted && c == u']')
            bracket = std::max(0, bracket - 1);
        else if (!quoted && bracket == 0 && QStringLiteral("dmyhsDMYHS").contains(c))
            return true;
    }
    return false;
}

bool WorkbookParts::isDateStyle(int xf) const
{
    if (xf < 0 || static_cast<size_t>(xf) >= xfNumFmts.size())
        return false;
    const int id = xfNumFmts[static_cast<size_t>(xf)];
    const auto code = numFmtCodes.find(id);
    return isDateFormat(id, code == numFmtCodes.end() ? QString() : code->second);
}
