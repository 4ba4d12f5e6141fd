#include "InventoryFileBench.h"

#include "SyntheticMachine.h"

#include "app/HeadlessExport.h"
#include "app/SourceFactory.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <limits>

namespace bench {

namespace {

struct Seconds
{
    double wall = std::numeric_limits<double>::max();
    double cpu = std::numeric_limits<double>::max();
};

// Best of three, by wall clock and by this process's processor time: the
// machine may be busy with other work, and processor time suffers less.
template<typename Run>
Seconds best(Run &&run)
{
    Seconds best;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        const std::clock_t cpu = std::clock();
        timer.start();
        run();
        best.wall = std::min(best.wall, timer.nsecsElapsed() / 1e9);
        best.cpu = std::min(best.cpu, double(std::clock() - cpu) / CLOCKS_PER_SEC);
    }
    return best;
}

QByteArray shown(const Seconds &seconds)
{
    return QByteArray::number(seconds.wall, 'f', 3) + " s (cpu " + QByteArray::number(seconds.cpu, 'f', 3) + " s)";
}

int exportReport(const app::Source &source, bool withProperties)
{
    app::HeadlessExport job;
    job.textTarget = QStringLiteral("/dev/null");
    job.withProperties = withProperties;
    return job.run(source, [](const QString &complaint) { std::fprintf(stderr, "  %s\n", qPrintable(complaint)); });
}

} // namespace

void inventoryFileFigures()
{
    constexpr int Devices = 4000;
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("machine"));
    writeSyntheticMachine(root, Devices / 2, Devices / 4);
    const QString file = dir.filePath(QStringLiteral("machine.vantorix.json"));
    const app::Source machine = app::machineSource(root);

    std::printf("\nInventory file of the synthetic machine with %d PNP entities\n", Devices);
    app::HeadlessExport save;
    save.jsonTarget = file;
    const Seconds write = best([&] { save.run(machine, [](const QString &) {}); });
    std::printf("  write the inventory file (--save-json):  %s, %.2f MB\n", shown(write).constData(),
                QFileInfo(file).size() / 1e6);

    const Seconds open = best([&] { app::fileSource(file); });
    const Seconds liveList = best([&] { exportReport(machine, false); });
    const Seconds fileList = best([&] { exportReport(app::fileSource(file), false); });
    const Seconds liveProperties = best([&] { exportReport(machine, true); });
    const Seconds fileProperties = best([&] { exportReport(app::fileSource(file), true); });
    std::printf("  open the file (read, parse, check):      %s\n", shown(open).constData());
    std::printf("  list export, live:                       %s\n", shown(liveList).constData());
    std::printf("  list export from the file, opening it:   %s\n", shown(fileList).constData());
    std::printf("  properties export, live:                 %s\n", shown(liveProperties).constData());
    std::printf("  properties export from the file:         %s\n", shown(fileProperties).constData());
}

} // namespace bench
