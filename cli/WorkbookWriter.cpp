#include "WorkbookWriter.h"

#include "ConsoleOutput.h"
#include "ConsolePrompt.h"
#include "DesktopOpener.h"
#include "ProgramFolder.h"
#include "Xl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The workbook is never opened in a desktop application from the command line.
class NoDesktop : public DesktopOpener
{
public:
    QString open(const QString &) override { return QObject::tr("there is no desktop"); }
};

const QString WorkName = QStringLiteral("list");

} // namespace

WorkbookWriter::Result WorkbookWriter::write(const QString &listPath, const QString &workbookPath,
                                             const QString &templatePath, bool replace)
{
    const QFileInfo list(listPath);
    const QFileInfo workbook(workbookPath);
    if (!list.isFile())
        return {QObject::tr("There is no list file %1.").arg(listPath)};
    if (workbook.exists() && (!replace || workbook.isDir()))
        return {
            QObject::tr("The workbook %1 exists: give --replace to replace it.").arg(workbookPath)};
    QString templateFile = templatePath;
    if (templateFile.isEmpty()) {
        const QString windowTemplate = ProgramFolder::path() + QChar(u'/') + Xl::TemplateName;
        if (QFileInfo::exists(windowTemplate))
            templateFile = windowTemplate;
    } else if (!QFileInfo(templateFile).isFile()) {
        return {QObject::tr("There is no template %1.").arg(templateFile)};
    }

    QTemporaryDir work(workbook.absolutePath() + QStringLiteral("/.tesk-cli-XXXXXX"));
    if (!work.isValid())
        return {QObject::tr("The folder %1 cannot be written: %2")
                    .arg(workbook.absolutePath(), work.errorString())};
    // The export reads NAME.lst and MyTemp.xlsx in its folder and writes NAME.xlsx there.
    if (!QFile::link(list.absoluteFilePath(), work.filePath(WorkName + QStringLiteral(".lst"))))
        return {QObject::tr("A work file in %1 cannot be made.").arg(work.path())};
    if (!templateFile.isEmpty() &&
        !QFile::link(QFileInfo(templateFile).absoluteFilePath(), work.filePath(Xl::TemplateName)))
        return {QObject::tr("A work file in %1 cannot be made.").arg(work.path())};

    ConsoleOutput output;
    ConsolePrompt prompt(output);
    NoDesktop desktop;
    Xl xl(work.path(), prompt, desktop);
    if (!xl.SaveXl(WorkName, true))
        return {xl.problem()};
    if (prompt.questions() > 0)
        return {QObject::tr("The list file %1 is not in the list format.").arg(listPath)};
    const QByteArray from = QFile::encodeName(work.filePath(WorkName + Xl::WorkbookExtension));
    const QByteArray to = QFile::encodeName(workbook.absoluteFilePath());
    // rename() replaces an existing workbook in one step.
    if (std::rename(from.constData(), to.constData()) != 0)
        return {QObject::tr("The workbook %1 cannot be written: %2")
                    .arg(workbookPath, QString::fromLocal8Bit(std::strerror(errno)))};
    return {{}, xl.recordsLeftOut()};
}
