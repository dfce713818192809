#include "LongListRecords.h"
#include "WorkingListFile.h"

#include <QFile>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

// Writes a list of N readings as the program writes one, for the benchmarks
// that run from scripts. Usage: bench_make_list FILE N
int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: bench_make_list FILE N\n");
        return 2;
    }
    const long count = std::strtol(argv[2], nullptr, 10);
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "%s cannot be written\n", argv[1]);
        return 1;
    }
    const QStringList legend{QStringLiteral("Department: Health Physics"),
                             QStringLiteral("Date: 2024-05-01"),
                             QStringLiteral("Instrument Type: RM-2"),
                             QStringLiteral("Survey location: Hall 3"),
                             QStringLiteral("Surveyor: Ann"),
                             WorkingListFile::SignatureLine};
    for (const QString &line : legend)
        out.write(WorkingListFile::quoted(line));
    for (long n = 0; n < count; ++n)
        out.write(WorkingListFile::quoted(longListRecordText(static_cast<int>(n))));
    if (!out.flush() || out.error() != QFileDevice::NoError) {
        std::fprintf(stderr, "%s cannot be written\n", argv[1]);
        return 1;
    }
    return 0;
}
