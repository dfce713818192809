// A save from the save dialog, end to end: the two text files and the
// workbook of a 10,000-record list (median of 11), the same for 100,000
// records with the memory it takes, and the workbook alone against openpyxl
// writing the same cells in its write-only mode, in the same run.
#include "BenchMemory.h"
#include "BenchTiming.h"
#include "ListSaver.h"
#include "LongListRecords.h"
#include "ProfileFile.h"
#include "RecordLine.h"
#include "ScriptedOpener.h"
#include "ScriptedPrompt.h"
#include "SurveyLegend.h"
#include "WorkingListFile.h"
#include "Xl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

void fillList(WorkingListFile &list, const SurveyLegend &legend, int records)
{
    list.OpenNewTempFile(legend.headerLines());
    list.close();
    QFile file(list.path());
    file.open(QIODevice::Append);
    QByteArray block;
    for (int n = 0; n < records; ++n) {
        block += WorkingListFile::quoted(longListRecordText(n));
        if (block.size() > 1 << 20) {
            file.write(block);
            block.clear();
        }
    }
    file.write(block);
    file.close();
    list.ReadDb();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString folder = dir.path();
    ProfileFile settings(folder + QStringLiteral("/Tesk.ini"));
    SurveyLegend legend(settings, [] { return QDate(2024, 5, 1); });
    WorkingListFile list(folder + QStringLiteral("/TeskTemp.lst"));
    ScriptedPrompt prompt;
    ScriptedOpener opener;
    int saves = 0;
    double cpu = 0; // of the last save
    const auto saveOnce = [&](int records) {
        fillList(list, legend, records);
        ListSaver saver({settings, prompt, opener, list, legend, folder});
        saver.load();
        QElapsedTimer timer;
        const double cpuStart = cpuMs();
        timer.start();
        saver.save(QStringLiteral("bench ") + QString::number(++saves), true, true);
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        cpu = cpuMs() - cpuStart;
        if (saver.ReturnCode != 1 || !prompt.shown.isEmpty()) {
            std::fprintf(stderr, "the save failed: %s\n",
                         prompt.shown.isEmpty() ? "" : qPrintable(prompt.shown.last().text));
            std::exit(1);
        }
        return ms;
    };

    // The 100,000-record save first, so the peak it sets is its own.
    saveOnce(10); // the template is made once, outside the figures
    const long idleKb = statusKb("VmRSS:");
    const double large = saveOnce(100'000);
    const long peakKb = statusKb("VmHWM:");

    const double largeCpu = cpu;
    std::vector<double> times;
    std::vector<double> cpuTimes;
    for (int i = 0; i < 11; ++i) {
        times.push_back(saveOnce(10'000));
        cpuTimes.push_back(cpu);
    }

    // The workbook alone, from the 10,000-record text file just saved.
    std::vector<double> workbook;
    std::vector<double> workbookCpu;
    for (int i = 0; i < 5; ++i) {
        Xl xl(folder, prompt, opener);
        QElapsedTimer timer;
        const double cpuStart = cpuMs();
        timer.start();
        if (!xl.SaveXl(QStringLiteral("bench ") + QString::number(saves), true))
            return 1;
        workbook.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        workbookCpu.push_back(cpuMs() - cpuStart);
    }

    // Processor time is quoted beside the wall-clock time: on a busy machine the
    // wall clock also counts the time other programs held the processor.
    std::printf("save of 10,000 records (text files and workbook), median of 11: %.1f ms "
                "(processor %.1f ms)\n",
                median(times), median(cpuTimes));
    std::printf("save of 100,000 records: %.1f ms (processor %.1f ms), peak memory %.1f MB above "
                "idle (%.1f MB)\n",
                large, largeCpu, static_cast<double>(peakKb - idleKb) / 1024.0,
                static_cast<double>(idleKb) / 1024.0);
    std::printf("workbook alone, 10,000 x 7 cells, median of 5: %.1f ms (processor %.1f ms)\n",
                median(workbook), median(workbookCpu));

    QProcess python;
    python.start(
        QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                          : QStringLiteral("python3"),
        {QStringLiteral(TESK_BENCH_DIR "/openpyxl_write_only.py"), QStringLiteral("10000")});
    if (python.waitForFinished(300000) && python.exitCode() == 0) {
        const double seconds = python.readAllStandardOutput().trimmed().toDouble();
        std::printf("openpyxl write-only, same cells, median of 5: %.1f ms; the workbook here is "
                    "%.1f times faster\n",
                    seconds * 1000.0, seconds * 1000.0 / median(workbook));
    } else {
        std::printf("openpyxl could not run: %s\n", python.readAllStandardError().constData());
    }
    return 0;
}
