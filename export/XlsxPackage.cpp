#include "XlsxPackage.h"

#include <QFile>
#include <QObject>

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

QString zipError(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

struct ArchiveDiscard
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
// An archive that is discarded unless it was closed (and released).
using Archive = std::unique_ptr<zip_t, ArchiveDiscard>;

// A part name that is absolute or climbs out of the package, as a file
// name would be unpacked.
bool isOutside(const QString &name)
{
    QString path = name;
    path.replace(QChar(u'\\'), QChar(u'/'));
    if (path.startsWith(QChar(u'/')) || (path.size() >= 2 && path[1] == u':'))
        return true;
    for (const QStringView step : QStringView(path).split(u'/'))
        if (step == u".." || step == u".")
            return true;
    return false;
}

bool syncFile(const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#else
    Q_UNUSED(path)
    return true;
#endif
}

} // namespace

std::optional<std::vector<XlsxPackage::Part>> XlsxPackage::read(const QString &path,
                                                                QString &problem)
{
    int code = 0;
    const Archive archive(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code));
    if (!archive) {
        problem = QObject::tr("it is not a readable workbook: %1").arg(zipError(code));
        return std::nullopt;
    }
    std::vector<Part> parts;
    std::set<QString> names;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        const auto index = static_cast<zip_uint64_t>(i);
        if (zip_stat_index(archive.get(), index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME) ||
            !(stat.valid & ZIP_STAT_SIZE)) {
            problem = QObject::tr("it is damaged");
            return std::nullopt;
        }
        const QString name = QString::fromUtf8(stat.name);
        if (isOutside(name)) {
            problem = QObject::tr("it holds a part named \"%1\", outside the workbook").arg(name);
            return std::nullopt;
        }
        // Part names differ in more than their case; a second copy would be
        // read in one place and written in another.
        if (!names.insert(name.toLower()).second) {
            problem = QObject::tr("it holds the part %1 twice").arg(name);
            return std::nullopt;
        }
        const auto size = static_cast<qint64>(std::min<zip_uint64_t>(stat.size, 1ULL << 62));
        parts.push_back({name, {}, {}, path, i, size});
    }
    return parts;
}

bool XlsxPackage::inflate(std::vector<Part> &parts, const QStringList &names, QString &problem)
{
    qint64 inflated = 0;
    for (const Part &part : parts)
        inflated += part.bytes.size();
    for (Part &part : parts) {
        if (part.archive.isEmpty() || !names.contains(part.name))
            continue;
        if (part.size > MaxInflatedSize - inflated) {
            problem = QObject::tr("its part %1 is too large: the parts read from a template may "
                                  "take %2 MB in all once unpacked")
                          .arg(part.name)
                          .arg(MaxInflatedSize / (1024 * 1024));
            return false;
        }
        int code = 0;
        const Archive archive(
            zip_open(QFile::encodeName(part.archive).constData(), ZIP_RDONLY, &code));
        QByteArray bytes(static_cast<qsizetype>(part.size), Qt::Uninitialized);
        const auto index = static_cast<zip_uint64_t>(part.entry);
        zip_file_t *file = archive ? zip_fopen_index(archive.get(), index, 0) : nullptr;
        const zip_int64_t got =
            file ? zip_fread(file, bytes.data(), static_cast<zip_uint64_t>(part.size)) : -1;
        if (file)
            zip_fclose(file);
        if (got != part.size) {
            problem = QObject::tr("it is damaged: its part %1 cannot be read").arg(part.name);
            return false;
        }
        inflated += part.size;
        part.bytes = std::move(bytes);
        part.archive.clear();
    }
    return true;
}

QString XlsxPackage::write(const QString &path, const std::vector<Part> &parts)
{
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    int code = 0;
    // The archives that parts are copied from stay open until the new one is closed.
    std::map<QString, Archive> sources;
    Archive archive(
        zip_open(QFile::encodeName(partial).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code));
    if (!archive)
        return QObject::tr("%1 cannot be written: %2").arg(partial, zipError(code));
    for (const Part &part : parts) {
        zip_source_t *source = nullptr;
        const bool copied = part.file.isEmpty() && !part.archive.isEmpty();
        if (!part.file.isEmpty()) {
            source =
                zip_source_file(archive.get(), QFile::encodeName(part.file).constData(), 0, -1);
        } else if (copied) {
            Archive &from = sources[part.archive];
            if (!from)
                from.reset(
                    zip_open(QFile::encodeName(part.archive).constData(), ZIP_RDONLY, &code));
            if (!from)
                return QObject::tr("%1 cannot be read again: %2").arg(part.archive, zipError(code));
            // The whole entry from its start: its compressed data, as it is.
            source = zip_source_zip(archive.get(), from.get(),
                                    static_cast<zip_uint64_t>(part.entry), 0, 0, -1);
        } else {
            source = zip_source_buffer(archive.get(), part.bytes.constData(),
                                       static_cast<zip_uint64_t>(part.bytes.size()), 0);
        }
        const zip_int64_t index = source
                                      ? zip_file_add(archive.get(), part.name.toUtf8().constData(),
                                                     source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE)
                                      : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            return QObject::tr("%1 cannot be written: %2")
                .arg(partial, QString::fromLocal8Bit(zip_strerror(archive.get())));
        }
        // The fastest deflate level: the parts are mostly repeated cell markup.
        if (!copied)
            zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index),
                                     ZIP_CM_DEFLATE, 1);
    }
    if (zip_close(archive.get()) != 0) {
        const QString reason = QString::fromLocal8Bit(zip_strerror(archive.get()));
        archive.reset();
        QFile::remove(partial);
        return QObject::tr("%1 cannot be written: %2").arg(path, reason);
    }
    archive.release();
    if (!syncFile(partial)) {
        QFile::remove(partial);
        return QObject::tr("%1 cannot be written to the disk.").arg(path);
    }
    // Renaming over the old file replaces it in one step.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(partial).toStdString(),
                            QFile::encodeName(path).toStdString(), error);
    if (error) {
        QFile::remove(partial);
        return QObject::tr("%1 cannot be replaced.").arg(path);
    }
    return {};
}

const XlsxPackage::Part *XlsxPackage::find(const std::vector<Part> &parts, const QString &name)
{
    for (const Part &part : parts)
        if (part.name == name)
            return &part;
    return nullptr;
}
