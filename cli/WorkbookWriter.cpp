#include "WorkbookWriter.h"

#include "ChildWork.h"
#include "ConsoleOutput.h"
#include "ConsolePrompt.h"
#include "DesktopOpener.h"
#include "FileReplacement.h"
#include "ProgramFolder.h"
#include "RegularFile.h"
#include "TemplateWorkbook.h"
#include "WorkFolder.h"
#include "Xl.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QObject>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

// The workbook is never opened in a desktop application from the command line.
class NoDesktop : public DesktopOpener
{
public:
    QString open(const QString &) override { return QObject::tr("there is no desktop"); }
};

const QString WorkName = QStringLiteral("list");

QString programTemplate()
{
    return ProgramFolder::path() + QChar(u'/') + Xl::TemplateName;
}

// What an existing path that is not a regular file is; empty for a regular
// file or nothing at all.
QString kindOf(const QString &path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode))
        return {};
    if (S_ISDIR(info.st_mode))
        return QObject::tr("a folder");
    if (S_ISFIFO(info.st_mode))
        return QObject::tr("a named pipe (FIFO)");
    if (S_ISSOCK(info.st_mode))
        return QObject::tr("a socket");
    return QObject::tr("a device");
}

// The path with its folder's symbolic links resolved, for a file that may not exist yet.
QString resolvedPath(const QString &path)
{
    const QFileInfo info(path);
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QChar(u'/') + info.fileName();
}

// Whether two names reach one file: the same file on the disk (links
// included), or the same name where neither exists yet.
bool sameFile(const QString &a, const QString &b)
{
    return FileReplacement::sameFile(a, b) || resolvedPath(a) == resolvedPath(b);
}

// Free bytes for this user on the disk holding `folder`; -1 when unknown.
qint64 freeBytes(const QString &folder)
{
    struct statvfs disk
    {
    };
    if (::statvfs(QFile::encodeName(folder).constData(), &disk) != 0)
        return -1;
    return static_cast<qint64>(disk.f_bavail) * static_cast<qint64>(disk.f_frsize);
}

struct Answer
{
    QString problem;
    qint64 leftOut = 0;
    qint64 written = 0;
    qint64 skipped = 0;
    qint64 firstSkipped = 0;
};

QByteArray encoded(const Answer &answer)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << answer.problem << answer.leftOut << answer.written << answer.skipped
        << answer.firstSkipped;
    return bytes;
}

Answer decoded(const QByteArray &bytes)
{
    Answer answer;
    QDataStream in(bytes);
    in >> answer.problem >> answer.leftOut >> answer.written >> answer.skipped >>
        answer.firstSkipped;
    if (in.status() != QDataStream::Ok)
        answer.problem = QObject::tr("the export gave no answer");
    return answer;
}

// The export in the work folder, run in the child process; its messages name
// the work files.
Answer exportIn(const WorkFolder &work, bool ownTemplate)
{
    const QString workbook = work.filePath(WorkName + Xl::WorkbookExtension);
    if (ownTemplate) {
        if (const QString problem = TemplateWorkbook::write(work.filePath(Xl::TemplateName));
            !problem.isEmpty())
            return {QObject::tr("The workbook %1 cannot be written: %2").arg(workbook, problem)};
    }
    ConsoleOutput output;
    ConsolePrompt prompt(output);
    NoDesktop desktop;
    Xl xl(work.path(), prompt, desktop);
    if (!xl.SaveXl(WorkName, true))
        return {xl.problem()};
    if (prompt.questions() > 0)
        return {QObject::tr("The list file %1 is not in the list format.")
                    .arg(work.filePath(WorkName + QStringLiteral(".lst")))};
    return {{}, xl.recordsLeftOut(), xl.recordsWritten(), xl.skippedLines(), xl.firstSkippedLine()};
}

} // namespace

QString WorkbookWriter::check(const QString &listPath, const QString &workbookPath,
                              const QString &templatePath, bool replace, bool listMustExist)
{
    if (listMustExist) {
        if (!QFileInfo::exists(listPath))
            return QObject::tr("There is no list file %1.").arg(listPath);
        if (const QString kind = RegularFile::kind(listPath); !kind.isEmpty())
            return QObject::tr("%1 is %2, not a list file.").arg(listPath, kind);
    }
    if (!templatePath.isEmpty()) {
        if (!QFileInfo::exists(templatePath))
            return QObject::tr("There is no template %1.").arg(templatePath);
        if (const QString kind = kindOf(templatePath); !kind.isEmpty())
            return QObject::tr("The template %1 is %2, not a workbook.").arg(templatePath, kind);
    }
    // The export reads these while it writes the workbook: one of them as
    // the workbook would be lost.
    if (sameFile(workbookPath, listPath))
        return QObject::tr("The workbook %1 would replace the list file %2: give another name.")
            .arg(workbookPath, listPath);
    if (!templatePath.isEmpty() && sameFile(workbookPath, templatePath))
        return QObject::tr("The workbook %1 would replace the template %2: give another name.")
            .arg(workbookPath, templatePath);
    if (sameFile(workbookPath, programTemplate()))
        return QObject::tr("The workbook %1 would replace the program folder's template %2: "
                           "give another name.")
            .arg(workbookPath, programTemplate());
    if (const QString kind = kindOf(workbookPath); !kind.isEmpty())
        return QObject::tr("%1 is %2, not a workbook: give the name of a workbook file.")
            .arg(workbookPath, kind);
    if (QFileInfo::exists(workbookPath) && !replace)
        return QObject::tr("The workbook %1 exists: give --replace to replace it.")
            .arg(workbookPath);
    return {};
}

WorkbookWriter::Result WorkbookWriter::write(const QString &listPath, const QString &workbookPath,
                                             const QString &templatePath, bool replace,
                                             int interruptFd)
{
    if (const QString problem = check(listPath, workbookPath, templatePath, replace);
        !problem.isEmpty())
        return {problem};
    QString templateFile = templatePath;
    if (templateFile.isEmpty() && QFileInfo::exists(programTemplate()))
        templateFile = programTemplate();

    // Beside the file that is replaced (where a link leads), so the rename stays on its disk.
    const QString folder = QFileInfo(FileReplacement::finalPath(workbookPath)).absolutePath();
    WorkFolder::removeStale(folder);
    const WorkFolder work(folder);
    if (!work.isValid())
        return {QObject::tr("The folder %1 cannot be written: %2").arg(folder, work.errorString())};
    // The export reads NAME.lst and MyTemp.xlsx in its folder and writes NAME.xlsx there.
    const QString workList = work.filePath(WorkName + QStringLiteral(".lst"));
    const QString workTemplate = work.filePath(Xl::TemplateName);
    const QString workWorkbook = work.filePath(WorkName + Xl::WorkbookExtension);
    if (!QFile::link(QFileInfo(listPath).absoluteFilePath(), workList) ||
        (!templateFile.isEmpty() &&
         !QFile::link(QFileInfo(templateFile).absoluteFilePath(), workTemplate)))
        return {QObject::tr("The folder %1 cannot be written: %2")
                    .arg(folder, QString::fromLocal8Bit(std::strerror(errno)))};

    const ChildWork::Result run = ChildWork::run(
        [&] { return encoded(exportIn(work, templateFile.isEmpty())); }, interruptFd);
    if (run.outcome == ChildWork::Outcome::Interrupted)
        return {{}, 0, true};
    if (run.outcome == ChildWork::Outcome::Failed)
        return {QObject::tr("The workbook %1 was not made: the export failed; %2.")
                    .arg(workbookPath, run.failure)};
    const Answer answer = decoded(run.answer);
    if (!answer.problem.isEmpty()) {
        // A failure while the workbook was being written, on a disk without
        // room for it, is the full disk's.
        const bool writing =
            answer.problem.contains(workWorkbook) ||
            (answer.problem.contains(work.path()) && !answer.problem.contains(workList) &&
             !answer.problem.contains(workTemplate));
        const qint64 room = freeBytes(folder);
        if (writing && room >= 0 && room < 3 * QFileInfo(listPath).size() + (1 << 20))
            return {QObject::tr("The workbook %1 cannot be written: the disk is full (%2 kB free).")
                        .arg(workbookPath, QString::number(room / 1024))};
        QString text = answer.problem;
        text.replace(workWorkbook + QStringLiteral(".part"), workbookPath)
            .replace(workWorkbook, workbookPath)
            .replace(workList, listPath)
            .replace(workTemplate, templateFile.isEmpty()
                                       ? QObject::tr("(the program's own template)")
                                       : templateFile)
            .replace(work.path(), folder);
        // A reason that ends a sentence inside another.
        if (text.endsWith(QStringLiteral("..")) && !text.endsWith(QStringLiteral("...")))
            text.chop(1);
        return {text};
    }
    if (const QString problem = FileReplacement::renameOnto(workWorkbook, workbookPath);
        !problem.isEmpty())
        return {problem};
    return {{}, answer.leftOut, false, answer.written, answer.skipped, answer.firstSkipped};
}
