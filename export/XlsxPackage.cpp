#include "XlsxPackage.h"

#include "FileReplacement.h"
#include "ZipLayout.h"

#include <QFile>
#include <QObject>

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

class XlsxPackage::Source
{
public:
    Source(zip_t *archive, QByteArray bytes) : zip(archive), m_bytes(std::move(bytes)) {}
    ~Source() { zip_discard(zip); }
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;

    zip_t *const zip;

private:
    QByteArray m_bytes; // the package read from memory, which the archive reads from
};

namespace {

// Opens the zip `source` once its layout has been checked; takes the source.
std::shared_ptr<XlsxPackage::Source> openChecked(zip_source_t *source, QByteArray bytes,
                                                 qint64 size, const ZipLayout::ReadAt &read,
                                                 QString &problem)
{
    problem = ZipLayout::problem(size, read);
    if (!problem.isEmpty()) {
        zip_source_free(source);
        return nullptr;
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_t *archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive) {
        problem = QObject::tr("it is not a readable workbook: %1")
                      .arg(QString::fromLocal8Bit(zip_error_strerror(&error)));
        zip_error_fini(&error);
        zip_source_free(source);
        return nullptr;
    }
    zip_error_fini(&error);
    return std::make_shared<XlsxPackage::Source>(archive, std::move(bytes));
}

std::optional<std::vector<XlsxPackage::Part>>
partsOf(const std::shared_ptr<XlsxPackage::Source> &source, QString &problem)
{
    if (!source)
        return std::nullopt;
    std::vector<XlsxPackage::Part> parts;
    const zip_int64_t count = zip_get_num_entries(source->zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        const auto index = static_cast<zip_uint64_t>(i);
        if (zip_stat_index(source->zip, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME) ||
            !(stat.valid & ZIP_STAT_SIZE)) {
            problem = QObject::tr("it is damaged");
            return std::nullopt;
        }
        const QString name = QString::fromUtf8(stat.name);
        if (isOutside(name)) {
            problem = QObject::tr("it holds a part named \"%1\", outside the workbook").arg(name);
            return std::nullopt;
        }
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) {
            problem = QObject::tr("the template has an encrypted part (%1)").arg(name);
            return std::nullopt;
        }
        const auto size = static_cast<qint64>(std::min<zip_uint64_t>(stat.size, 1ULL << 62));
        parts.push_back({name, {}, {}, source, i, size});
    }
    return parts;
}

} // namespace

std::optional<std::vector<XlsxPackage::Part>> XlsxPackage::read(const QString &path,
                                                                QString &problem)
{
    // One descriptor for the layout check and for every later read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat info
    {
    };
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = QObject::tr("it cannot be read: %1")
                      .arg(fd < 0 ? QString::fromLocal8Bit(std::strerror(errno))
                                  : QObject::tr("it is not a file"));
        if (fd >= 0)
            ::close(fd);
        return std::nullopt;
    }
    FILE *file = ::fdopen(fd, "rb");
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = file ? zip_source_filep_create(file, 0, -1, &error) : nullptr;
    if (!source) {
        problem = QObject::tr("it cannot be read: %1")
                      .arg(QString::fromLocal8Bit(zip_error_strerror(&error)));
        zip_error_fini(&error);
        file ? std::fclose(file) : ::close(fd);
        return std::nullopt;
    }
    zip_error_fini(&error);
    const auto read = [fd](qint64 offset, char *to, qint64 size) {
        qint64 done = 0;
        while (done < size) {
            const ssize_t got = ::pread(fd, to + done, static_cast<size_t>(size - done),
                                        static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            done += got;
        }
        return true;
    };
    return partsOf(openChecked(source, {}, static_cast<qint64>(info.st_size), read, problem),
                   problem);
}

std::optional<std::vector<XlsxPackage::Part>> XlsxPackage::read(const QByteArray &bytes,
                                                                QString &problem)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(
        bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &error);
    if (!source) {
        problem = QObject::tr("it cannot be read: %1")
                      .arg(QString::fromLocal8Bit(zip_error_strerror(&error)));
        zip_error_fini(&error);
        return std::nullopt;
    }
    zip_error_fini(&error);
    const auto read = [&bytes](qint64 offset, char *to, qint64 size) {
        std::memcpy(to, bytes.constData() + offset, static_cast<size_t>(size));
        return true;
    };
    return partsOf(openChecked(source, bytes, bytes.size(), read, problem), problem);
}

bool XlsxPackage::inflate(std::vector<Part> &parts, const QStringList &names, QString &problem)
{
    qint64 inflated = 0;
    for (const Part &part : parts)
        inflated += part.bytes.size();
    for (Part &part : parts) {
        if (!part.archive || !names.contains(part.name))
            continue;
        if (part.size > MaxInflatedSize - inflated) {
            problem = QObject::tr("its part %1 is too large: the parts read from a template may "
                                  "take %2 MB in all once unpacked")
                          .arg(part.name, QString::number(MaxInflatedSize / (1024 * 1024)));
            return false;
        }
        QByteArray bytes(static_cast<qsizetype>(part.size), Qt::Uninitialized);
        const auto index = static_cast<zip_uint64_t>(part.entry);
        zip_file_t *file = zip_fopen_index(part.archive->zip, index, 0);
        zip_int64_t got =
            file ? zip_fread(file, bytes.data(), static_cast<zip_uint64_t>(part.size)) : -1;
        // A part longer than its directory says is as damaged as a shorter one.
        char beyond = 0;
        if (got == part.size && zip_fread(file, &beyond, 1) != 0)
            got = -1;
        if (file)
            zip_fclose(file);
        if (got != part.size) {
            problem = QObject::tr("it is damaged: its part %1 cannot be read").arg(part.name);
            return false;
        }
        inflated += part.size;
        part.bytes = std::move(bytes);
        part.archive.reset();
    }
    return true;
}

QString XlsxPackage::write(const QString &path, const std::vector<Part> &parts)
{
    // Beside the file that is replaced, so that the rename stays on its file system.
    const QString partial = FileReplacement::finalPath(path) + QStringLiteral(".part");
    QFile::remove(partial);
    int code = 0;
    Archive archive(
        zip_open(QFile::encodeName(partial).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code));
    if (!archive)
        return QObject::tr("%1 cannot be written: %2").arg(partial, zipError(code));
    for (const Part &part : parts) {
        zip_source_t *source = nullptr;
        const bool copied = part.file.isEmpty() && part.archive;
        if (!part.file.isEmpty()) {
            source =
                zip_source_file(archive.get(), QFile::encodeName(part.file).constData(), 0, -1);
        } else if (copied) {
            // The whole entry from its start: its compressed data, as it is.
            source = zip_source_zip(archive.get(), part.archive->zip,
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
    if (QString problem = FileReplacement::renameOnto(partial, path); !problem.isEmpty()) {
        QFile::remove(partial);
        return problem;
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
