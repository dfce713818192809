#include "ProfileFile.h"

#include "FileReplacement.h"
#include "NumberText.h"
#include "TeskCommonPart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace {

const QString SectionName = QStringLiteral("COMMON");
constexpr qint64 MaximumFileSize = 4 * 1024 * 1024;

// The lines of a settings file as they were read, with what is needed to
// write them back unchanged.
struct IniText
{
    QStringList lines;
    QString lineEnd = QStringLiteral("\n");
    bool byteOrderMark = false;
    bool finalLineEnd = true;
};

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(std::min(file.size(), MaximumFileSize));
}

IniText parseIni(QByteArray bytes)
{
    IniText ini;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        ini.byteOrderMark = true;
        bytes.remove(0, 3);
    }
    // Files edited by hand may be in UTF-8 or in a single-byte code page.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    if (text.contains(QStringLiteral("\r\n")))
        ini.lineEnd = QStringLiteral("\r\n");
    ini.finalLineEnd = text.isEmpty() || text.endsWith(QChar(u'\n'));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ini.lines = text.split(QChar(u'\n'));
    if (ini.finalLineEnd && !ini.lines.isEmpty())
        ini.lines.removeLast();
    return ini;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The section name of a header line such as "[COMMON]", or nothing.
// Views, not copies: every read looks at every line up to its key.
std::optional<QStringView> sectionOf(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

struct KeyLine
{
    QString key;
    QString value;
};

std::optional<KeyLine> keyLineOf(const QString &line)
{
    const qsizetype equals = line.indexOf(QChar(u'='));
    if (equals <= 0)
        return std::nullopt;
    QString key = line.left(equals).trimmed();
    if (key.isEmpty() || key.startsWith(QChar(u';')))
        return std::nullopt;
    QString value = line.mid(equals + 1);
    qsizetype begin = 0;
    while (begin < value.size() && isBlank(value[begin]))
        ++begin;
    qsizetype end = value.size();
    while (end > begin && (isBlank(value[end - 1]) || value[end - 1] == u'\r'))
        --end;
    return KeyLine{key, value.mid(begin, end - begin)};
}

// Whether keyLineOf would find the key in the line.
bool holdsKey(QStringView line, const QString &key)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals <= 0)
        return false;
    const QStringView name = line.left(equals).trimmed();
    return !name.isEmpty() && !name.startsWith(u';') && name.compare(key, Qt::CaseInsensitive) == 0;
}

struct Location
{
    qsizetype sectionLine = -1; // header line of the first COMMON section
    qsizetype keyLine = -1;     // line holding the key in that section
    qsizetype lastContent = -1; // last non-blank line of that section
};

Location locate(const QStringList &lines, const QString &key)
{
    Location where;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto section = sectionOf(lines[i])) {
            if (inSection)
                break;
            if (where.sectionLine < 0 && section->compare(SectionName, Qt::CaseInsensitive) == 0) {
                inSection = true;
                where.sectionLine = where.lastContent = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!QStringView(lines[i]).trimmed().isEmpty())
            where.lastContent = i;
        if (where.keyLine < 0 && holdsKey(lines[i], key))
            where.keyLine = i;
    }
    return where;
}

QString keyNameIn(const QString &line)
{
    return line.left(line.indexOf(QChar(u'='))).trimmed();
}

} // namespace

ProfileFile::ProfileFile(QString path) : m_path(std::move(path)) {}

QString ProfileFile::standardPath()
{
    // A relative folder is ignored, as the desktop's base directory rules
    // say, so the settings never depend on the working folder.
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.config");
    return folder + QStringLiteral("/Tesk.ini");
}

std::optional<QString> ProfileFile::storedValue(const QByteArray &fileBytes, const QString &key)
{
    const IniText ini = parseIni(fileBytes);
    const Location where = locate(ini.lines, key);
    if (where.keyLine < 0)
        return std::nullopt;
    return keyLineOf(ini.lines[where.keyLine])->value;
}

ProfileFile::Value ProfileFile::ReadProfileKey(const QString &key, const QString &defaultText,
                                               int size) const
{
    QString text = storedValue(readBytes(m_path), key).value_or(defaultText);
    if (size <= 0)
        return {};
    text.truncate(size - 1);
    return {static_cast<int>(text.size()), text};
}

std::optional<QByteArray> ProfileFile::withValue(const QByteArray &fileBytes, const QString &key,
                                                 const QString &text)
{
    const QString cleanKey = key.trimmed();
    if (cleanKey.isEmpty() || cleanKey.contains(QChar(u'=')) || cleanKey.startsWith(QChar(u'[')) ||
        cleanKey.contains(QChar(u'\n')) || cleanKey.contains(QChar(u'\r')))
        return std::nullopt;
    // A line break in a value would start a new line of the file.
    QString value = text;
    value.replace(QChar(u'\r'), QChar(u' ')).replace(QChar(u'\n'), QChar(u' '));

    IniText ini = parseIni(fileBytes);
    const Location where = locate(ini.lines, cleanKey);
    if (where.keyLine >= 0) {
        ini.lines[where.keyLine] = keyNameIn(ini.lines[where.keyLine]) + QChar(u'=') + value;
    } else if (where.sectionLine >= 0) {
        ini.lines.insert(where.lastContent + 1, cleanKey + QChar(u'=') + value);
    } else {
        if (!ini.lines.isEmpty() && !ini.lines.last().trimmed().isEmpty())
            ini.lines.append(QString());
        ini.lines.append(QChar(u'[') + SectionName + QChar(u']'));
        ini.lines.append(cleanKey + QChar(u'=') + value);
        ini.finalLineEnd = true;
    }

    QString out = ini.lines.join(ini.lineEnd);
    if (ini.finalLineEnd)
        out += ini.lineEnd;
    QByteArray bytes = out.toUtf8();
    if (ini.byteOrderMark)
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

bool ProfileFile::WriteProfileKey(const QString &key, const QString &text) const
{
    const std::optional<QByteArray> written = withValue(readBytes(m_path), key, text);
    if (!written)
        return false;
    const QByteArray &bytes = *written;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return FileReplacement::commit(file, bytes.size()).isEmpty();
}

std::optional<QString> ProfileFile::cleanedValue(const QString &key, const QString &defaultText,
                                                 int size) const
{
    const Value read = ReadProfileKey(key, defaultText, size);
    if (read.count <= 0)
        return std::nullopt;
    QString text = TeskCommonPart::TrimAtNull(read.text);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

bool ProfileFile::readText(const QString &key, const QString &defaultText, int size,
                           QString &target) const
{
    const auto text = cleanedValue(key, defaultText, size);
    if (text)
        target = *text;
    return text.has_value();
}

bool ProfileFile::readNumber(const QString &key, const QString &defaultText, int size,
                             double &target) const
{
    const auto text = cleanedValue(key, defaultText, size);
    if (text)
        target = NumberText::leadingNumber(*text);
    return text.has_value();
}

bool ProfileFile::readInt16(const QString &key, const QString &defaultText, int size,
                            qint16 &target) const
{
    const auto text = cleanedValue(key, defaultText, size);
    if (text)
        target = NumberText::roundToInt16(NumberText::leadingNumber(*text));
    return text.has_value();
}

bool ProfileFile::writeNumber(const QString &key, double value) const
{
    return WriteProfileKey(key, NumberText::display(value));
}
