#include "XlsxPackage.h"

#include <QFile>
#include <QObject>

#include <zip.h>

#include <filesystem>

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
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive) {
        problem = QObject::tr("%1 is not a readable workbook: %2").arg(path, zipError(code));
        return std::nullopt;
    }
    std::vector<Part> parts;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        const auto index = static_cast<zip_uint64_t>(i);
        if (zip_stat_index(archive, index, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME) ||
            !(stat.valid & ZIP_STAT_SIZE)) {
            problem = QObject::tr("%1 is damaged.").arg(path);
            zip_discard(archive);
            return std::nullopt;
        }
        if (stat.size > static_cast<zip_uint64_t>(MaxPartSize)) {
            problem = QObject::tr("%1 holds a part too large for a template.").arg(path);
            zip_discard(archive);
            return std::nullopt;
        }
        Part part{
            QString::fromUtf8(stat.name), QByteArray(static_cast<qsizetype>(stat.size), 0), {}};
        zip_file_t *file = zip_fopen_index(archive, index, 0);
        const zip_int64_t got =
            file ? zip_fread(file, part.bytes.data(), stat.size) : static_cast<zip_int64_t>(-1);
        if (file)
            zip_fclose(file);
        if (got != static_cast<zip_int64_t>(stat.size)) {
            problem = QObject::tr("%1 is damaged: %2 cannot be read.").arg(path, part.name);
            zip_discard(archive);
            return std::nullopt;
        }
        parts.push_back(std::move(part));
    }
    zip_discard(archive);
    return parts;
}

QString XlsxPackage::write(const QString &path, const std::vector<Part> &parts)
{
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    int code = 0;
    zip_t *archive =
        zip_open(QFile::encodeName(partial).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive)
        return QObject::tr("%1 cannot be written: %2").arg(partial, zipError(code));
    for (const Part &part : parts) {
        zip_source_t *source =
            part.file.isEmpty()
                ? zip_source_buffer(archive, part.bytes.constData(),
                                    static_cast<zip_uint64_t>(part.bytes.size()), 0)
                : zip_source_file(archive, QFile::encodeName(part.file).constData(), 0, -1);
        const zip_int64_t index = source ? zip_file_add(archive, part.name.toUtf8().constData(),
                                                        source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE)
                                         : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            const QString reason = QString::fromLocal8Bit(zip_strerror(archive));
            zip_discard(archive);
            return QObject::tr("%1 cannot be written: %2").arg(partial, reason);
        }
        // The fastest deflate level: the parts are mostly repeated cell markup.
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
    }
    if (zip_close(archive) != 0) {
        const QString reason = QString::fromLocal8Bit(zip_strerror(archive));
        zip_discard(archive);
        QFile::remove(partial);
        return QObject::tr("%1 cannot be written: %2").arg(path, reason);
    }
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
