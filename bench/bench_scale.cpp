// Prints how long headless exports take on synthetic machines of growing
// size, and how this machine's export compares with lshw. Figures only: no
// pass or fail here.
#include "InventoryFileBench.h"
#include "SyntheticMachine.h"

#include "app/HeadlessExport.h"
#include "inventory/linux/LinuxSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <limits>

namespace {

constexpr int Repeats = 3;

// Best of several runs: the machine may be busy, the best run is the work.
template<typename Run>
double bestSeconds(int repeats, Run &&run)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

double exportSeconds(const QString &root, bool withProperties)
{
    app::HeadlessExport job;
    job.textTarget = QStringLiteral("/dev/null");
    job.withProperties = withProperties;
    const inventory::Instrumentation machine = inventory::linuxsource::LinuxSource::instrumentation(root);
    return bestSeconds(Repeats, [&] { job.run(machine, [](const QString &) {}); });
}

double commandSeconds(const QString &program, const QStringList &arguments)
{
    return bestSeconds(5, [&] {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments);
        process.waitForFinished(120000);
    });
}

void scaling()
{
    std::printf("Synthetic machines: N PNP entities (N/2 PCI functions, N/4 USB devices with one interface each)\n");
    std::printf("%8s %14s %18s %16s\n", "N", "list export s", "properties export s", "growth vs N/2");
    double previous = 0;
    for (const int n : {500, 1000, 2000, 4000}) {
        QTemporaryDir dir;
        bench::writeSyntheticMachine(dir.path(), n / 2, n / 4);
        const double list = exportSeconds(dir.path(), false);
        const double properties = exportSeconds(dir.path(), true);
        if (previous > 0)
            std::printf("%8d %14.3f %18.3f %15.2fx\n", n, list, properties, properties / previous);
        else
            std::printf("%8d %14.3f %18.3f %16s\n", n, list, properties, "-");
        previous = properties;
    }
}

void thisMachine(const QString &vantorix)
{
    std::printf("\nThis machine\n");
    std::printf("  one headless list export (57 queries), in process: %.4f s\n", exportSeconds(QStringLiteral("/"), false));
    std::printf("  one headless properties export, in process:        %.4f s\n", exportSeconds(QStringLiteral("/"), true));
    const QString lshw = QStandardPaths::findExecutable(QStringLiteral("lshw"));
    if (vantorix.isEmpty() || lshw.isEmpty()) {
        std::printf("  (vantorix or lshw not found: no comparison)\n");
        return;
    }
    const double ours = commandSeconds(vantorix, {QStringLiteral("--save-text"), QStringLiteral("/dev/null")});
    const double theirs = commandSeconds(lshw, {QStringLiteral("-short")});
    std::printf("  vantorix --save-text (whole process): %.4f s\n", ours);
    std::printf("  lshw -short (whole process):          %.4f s\n", theirs);
    std::printf("  ratio lshw / vantorix:                %.1fx\n", theirs / ours);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    // "--write DIR N" only writes a synthetic machine, for profiling by hand.
    if (argc == 4 && QByteArray(argv[1]) == "--write") {
        const int n = QByteArray(argv[3]).toInt();
        bench::writeSyntheticMachine(QString::fromLocal8Bit(argv[2]), n / 2, n / 4);
        return 0;
    }
    // The program to compare with lshw: given, or the one built beside us.
    QString vantorix = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                : QCoreApplication::applicationDirPath() + QStringLiteral("/../app/vantorix");
    if (!QFile::exists(vantorix))
        vantorix.clear();
    scaling();
    bench::inventoryFileFigures();
    thisMachine(vantorix);
    return 0;
}
