// Prints how long headless exports take on synthetic machines of growing
// size, how each doubling grows them, the peak memory of a properties
// export, and how this machine's export compares with lshw. Figures only: no
// pass or fail here.
#include "InventoryFileBench.h"
#include "SyntheticMachine.h"

#include "app/HeadlessExport.h"
#include "inventory/linux/LinuxSource.h"
#include "inventory/linux/reading/IdDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <optional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// One headless export in this process; the time leaves out opening the ID
// databases, which every export pays once whatever the machine's size.
double exportSeconds(const QString &root, bool withProperties)
{
    inventory::linuxsource::IdDatabase::instance();
    app::HeadlessExport job;
    job.textTarget = QStringLiteral("/dev/null");
    job.withProperties = withProperties;
    const inventory::Instrumentation machine = inventory::linuxsource::LinuxSource::instrumentation(root);
    QElapsedTimer timer;
    timer.start();
    job.run(machine, [](const QString &) {});
    return timer.nsecsElapsed() / 1e9;
}

struct ChildExport
{
    double seconds = 0;
    double peakMegabytes = 0;
};

// One export in a fresh process of our own ("--export"), so that neither
// an earlier export's memory nor what the process has kept since (the ID
// databases' answers) counts: its time, and the peak resident memory of
// the whole process.
std::optional<ChildExport> exportInChild(const QString &root, bool withProperties)
{
    const QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());
    const QByteArray dir = QFile::encodeName(root);
    const char *mode = withProperties ? "properties" : "list";
    int out[2];
    if (::pipe(out) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(self.constData(), self.constData(), "--export", dir.constData(), mode, static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    QByteArray printed;
    char buffer[256];
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0)
            printed.append(buffer, got);
        else if (errno != EINTR)
            break;
    }
    ::close(out[0]);
    int status = 0;
    struct rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    bool ok = false;
    const double seconds = printed.trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return ChildExport{seconds, double(usage.ru_maxrss) / 1024.0}; // kilobytes on Linux
}

// The best time of several fresh exports (the machine may be busy; the best
// run is the work) and the highest peak memory among them.
std::optional<ChildExport> bestExport(const QString &root, bool withProperties)
{
    std::optional<ChildExport> best;
    for (int i = 0; i < Repeats; ++i) {
        const std::optional<ChildExport> run = exportInChild(root, withProperties);
        if (!run)
            return std::nullopt;
        if (!best)
            best = run;
        best->seconds = std::min(best->seconds, run->seconds);
        best->peakMegabytes = std::max(best->peakMegabytes, run->peakMegabytes);
    }
    return best;
}

QString seconds(const std::optional<ChildExport> &run)
{
    return run ? QString::number(run->seconds, 'f', 3) : QStringLiteral("failed");
}

QString growth(const std::optional<ChildExport> &now, const std::optional<ChildExport> &before)
{
    return now && before && before->seconds > 0 ? QString::asprintf("%.2fx", now->seconds / before->seconds)
                                                : QStringLiteral("-");
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
    std::printf("Synthetic machines: N PNP entities (N/2 PCI functions, N/4 USB devices with one interface each)\n"
                "Each export runs in a fresh process: time is the best of %d, leaving out opening the ID\n"
                "databases; growth is against N/2; peak memory is that of the whole process.\n",
                Repeats);
    std::printf("%6s %8s %7s %13s %7s %15s\n", "N", "list s", "growth", "properties s", "growth", "peak memory MB");
    std::optional<ChildExport> previousList, previousProperties;
    for (const int n : {500, 1000, 2000, 4000, 8000}) {
        QTemporaryDir dir;
        bench::writeSyntheticMachine(dir.path(), n / 2, n / 4);
        const std::optional<ChildExport> list = bestExport(dir.path(), false);
        const std::optional<ChildExport> properties = bestExport(dir.path(), true);
        std::printf("%6d %8s %7s %13s %7s %15s\n", n, qPrintable(seconds(list)), qPrintable(growth(list, previousList)),
                    qPrintable(seconds(properties)), qPrintable(growth(properties, previousProperties)),
                    properties ? qPrintable(QString::number(properties->peakMegabytes, 'f', 1)) : "-");
        std::fflush(stdout);
        previousList = list;
        previousProperties = properties;
    }
}

void thisMachine(const QString &vantorix)
{
    std::printf("\nThis machine\n");
    const QString root = QStringLiteral("/");
    std::printf("  one headless list export (57 queries):    %s s\n", qPrintable(seconds(bestExport(root, false))));
    std::printf("  one headless properties export:           %s s\n", qPrintable(seconds(bestExport(root, true))));
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
    // "--export DIR list|properties" times one export and prints the seconds.
    if (argc == 4 && QByteArray(argv[1]) == "--export") {
        std::printf("%.6f\n", exportSeconds(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]) == "properties"));
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
