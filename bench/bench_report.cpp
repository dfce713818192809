// The survey report of a list of 100,000 records: reading the list file and
// writing the PDF, each the median of 3, with processor time beside the wall
// clock, and the size of the file. TESK_BENCH_SAVE=/some/file.pdf keeps the report.
#include "BenchTiming.h"
#include "ListExport.h"
#include "LongListRecords.h"
#include "ReportContext.h"
#include "SavedList.h"
#include "SurveyReport.h"
#include "WorkingListFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString listPath = dir.filePath(QStringLiteral("survey.lst"));
    {
        QFile file(listPath);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray block;
        for (const char *line :
             {"Department: Health Physics", "Date: 2024-05-01", "Instrument Type: Corvel 2",
              "Survey location: Hall 3", "Surveyor: J. Smith"})
            block += WorkingListFile::quoted(QString::fromLatin1(line));
        for (int n = 0; n < 100'000; ++n)
            block += WorkingListFile::quoted(longListRecordText(n));
        file.write(block);
    }
    ReportContext context;
    context.warning = 0.2;
    context.alarm = 500;
    context.today = QDate(2024, 5, 2);
    context.madeAt = QDateTime::currentDateTime();
    context.program = QStringLiteral("TESK Meter View");
    context.listPath = listPath;

    const QString pdf = qEnvironmentVariableIsSet("TESK_BENCH_SAVE")
                            ? qEnvironmentVariable("TESK_BENCH_SAVE")
                            : dir.filePath(QStringLiteral("survey.pdf"));
    std::vector<double> reads, writes, readCpu, writeCpu;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        double cpu = cpuMs();
        timer.start();
        const SavedList list = SavedList::read(listPath);
        reads.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        readCpu.push_back(cpuMs() - cpu);
        if (list.records.size() != 100'000) {
            std::fprintf(stderr, "the list holds %zu records\n", list.records.size());
            return 1;
        }
        cpu = cpuMs();
        timer.restart();
        const QString problem = SurveyReport::write(list, pdf, context);
        writes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        writeCpu.push_back(cpuMs() - cpu);
        if (!problem.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(problem));
            return 1;
        }
    }
    std::printf("report of 100,000 records, median of 3: reading the list %.0f ms (%.0f ms "
                "processor), writing the PDF %.0f ms (%.0f ms processor); file %.2f MB\n",
                median(reads), median(readCpu), median(writes), median(writeCpu),
                static_cast<double>(QFileInfo(pdf).size()) / 1e6);
    return 0;
}
