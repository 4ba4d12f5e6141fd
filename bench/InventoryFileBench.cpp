#include "InventoryFileBench.h"

#include "SyntheticMachine.h"

#include "app/HeadlessExport.h"
#include "app/SourceFactory.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace bench {

namespace {

// Best of three: the machine may be busy, the best run is the work.
template<typename Run>
double bestSeconds(Run &&run)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
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
    const double write = bestSeconds([&] { save.run(machine, [](const QString &) {}); });
    std::printf("  write the inventory file (--save-json):  %.3f s, %.2f MB\n", write, QFileInfo(file).size() / 1e6);

    const double open = bestSeconds([&] { app::fileSource(file); });
    const double liveList = bestSeconds([&] { exportReport(machine, false); });
    const double fileList = bestSeconds([&] { exportReport(app::fileSource(file), false); });
    const double liveProperties = bestSeconds([&] { exportReport(machine, true); });
    const double fileProperties = bestSeconds([&] { exportReport(app::fileSource(file), true); });
    std::printf("  open the file (read, parse, check):      %.3f s\n", open);
    std::printf("  list export:        live %.3f s, from the file (opening included) %.3f s\n", liveList, fileList);
    std::printf("  properties export:  live %.3f s, from the file (opening included) %.3f s\n", liveProperties, fileProperties);
}

} // namespace bench
