// A fleet reporting to one inventory server: N distinct synthetic machines
// send their inventories to a private OCS Inventory server, eight at a time,
// each as its own run of the program (as each machine's timer would start
// it). Prints inventories stored per second, bytes sent per machine, and the
// client's time and peak memory per send.
// Usage: bench_fleet SERVER_ENV VANTORIX [N...]   (scripts/bench-fleet.sh starts the server)
#include "SyntheticMachine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int Parallel = 8;
constexpr int PciFunctions = 24;
constexpr int UsbDevices = 6;

QHash<QString, QString> readEnvironmentFile(const QString &path)
{
    QHash<QString, QString> values;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray &line : file.readAll().split('\n'))
            if (const qsizetype equals = line.indexOf('='); equals > 0)
                values.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
    return values;
}

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

// Each machine its own name, firmware identity and memory size.
void identify(const QString &root, const QString &name, int index)
{
    write(root + QStringLiteral("/proc/sys/kernel/hostname"), name.toUtf8() + '\n');
    write(root + QStringLiteral("/sys/class/dmi/id/sys_vendor"), "Bench Systems\n");
    write(root + QStringLiteral("/sys/class/dmi/id/product_name"), "Synthetic 24\n");
    write(root + QStringLiteral("/sys/class/dmi/id/product_serial"), "SN" + name.toUtf8() + '\n');
    write(root + QStringLiteral("/sys/class/dmi/id/product_uuid"),
          QStringLiteral("%1-0000-4000-8000-%2\n").arg(qHash(name), 8, 16, QLatin1Char('0')).arg(index, 12, 10, QLatin1Char('0')).toUtf8());
    write(root + QStringLiteral("/proc/meminfo"), "MemTotal:       " + QByteArray::number(4194304 + index * 1024) + " kB\nSwapTotal:             0 kB\n");
}

qint64 accessLogBytes(const QString &log, qint64 fromOffset, qint64 *endOffset)
{
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    file.seek(fromOffset);
    const QByteArray tail = file.readAll();
    *endOffset = fromOffset + tail.size();
    // Format "%h %t \"%r\" %>s %I %O \"UA\"": %I is every byte received, headers included.
    static const QRegularExpression line(QStringLiteral("\"POST [^\"]*\" \\d+ (\\d+) \\d+"));
    qint64 bytes = 0;
    for (const QByteArray &entry : tail.split('\n'))
        if (const QRegularExpressionMatch match = line.match(QString::fromUtf8(entry)); match.hasMatch())
            bytes += match.captured(1).toLongLong();
    return bytes;
}

int storedCount(const QString &socket, const QString &prefix)
{
    QProcess client;
    client.start(QStringLiteral("mariadb"), {QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + socket, QStringLiteral("-uroot"),
                                             QStringLiteral("-N"), QStringLiteral("-B"), QStringLiteral("ocsweb"), QStringLiteral("-e"),
                                             QStringLiteral("SELECT COUNT(*) FROM hardware WHERE NAME LIKE '%1%'").arg(prefix)});
    client.waitForFinished(60000);
    return client.readAllStandardOutput().trimmed().toInt();
}

struct Send
{
    double seconds = 0;
    double cpuSeconds = 0;
    qint64 peakKb = 0;
    bool ok = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: bench_fleet SERVER_ENV VANTORIX [N...]\n");
        return 2;
    }
    const QHash<QString, QString> server = readEnvironmentFile(arguments[1]);
    const QString vantorix = arguments[2];
    QList<int> counts;
    for (int i = 3; i < arguments.size(); ++i)
        counts << arguments[i].toInt();
    if (counts.isEmpty())
        counts = {50, 200, 500};
    const int most = *std::max_element(counts.begin(), counts.end());

    QTemporaryDir work;
    std::printf("Fleet: synthetic machines (%d PCI functions, %d USB devices each) sent to a private OCS server,\n"
                "%d at a time, each send a run of the program; server %s\n", PciFunctions, UsbDevices, Parallel,
                qPrintable(server.value(QStringLiteral("OCS_URL"))));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < most; ++i)
        bench::writeSyntheticMachine(work.filePath(QStringLiteral("m%1").arg(i)), PciFunctions, UsbDevices);
    std::printf("(%d machine trees written in %.1f s)\n\n", most, clock.elapsed() / 1000.0);
    std::printf("%6s %10s %12s %14s %16s %16s %14s\n", "N", "stored", "stored/s", "bytes/machine", "client s/send",
                "client CPU s", "peak RSS MiB");

    const QString log = server.value(QStringLiteral("OCS_DIR")) + QStringLiteral("/log/apache-access.log");
    qint64 logOffset = QFileInfo(log).size();
    for (const int n : counts) {
        const QString prefix = QStringLiteral("bench%1-").arg(n);
        for (int i = 0; i < n; ++i)
            identify(work.filePath(QStringLiteral("m%1").arg(i)), prefix + QString::number(i), i);
        std::vector<Send> sends(static_cast<size_t>(n));
        QList<QPair<int, QProcess *>> running;
        int next = 0;
        clock.restart();
        while (next < n || !running.isEmpty()) {
            while (next < n && running.size() < Parallel) {
                auto *process = new QProcess;
                const QString root = work.filePath(QStringLiteral("m%1").arg(next));
                process->start(QStringLiteral("/usr/bin/time"),
                               {QStringLiteral("-f"), QStringLiteral("%e %U %S %M"), QStringLiteral("-o"), root + QStringLiteral(".time"), vantorix,
                                QStringLiteral("--root"), root, QStringLiteral("--send"), server.value(QStringLiteral("OCS_URL")),
                                QStringLiteral("--state-dir"), root + QStringLiteral(".state"), QStringLiteral("--timeout"), QStringLiteral("120")});
                running.append({next++, process});
            }
            running.front().second->waitForFinished(20);
            for (qsizetype r = running.size() - 1; r >= 0; --r) {
                QProcess *process = running[r].second;
                if (process->state() != QProcess::NotRunning)
                    continue;
                const int index = running[r].first;
                QFile times(work.filePath(QStringLiteral("m%1.time").arg(index)));
                Send &send = sends[size_t(index)];
                if (times.open(QIODevice::ReadOnly)) {
                    const QList<QByteArray> fields = times.readAll().trimmed().split('\n').last().split(' ');
                    send.seconds = fields.value(0).toDouble();
                    send.cpuSeconds = fields.value(1).toDouble() + fields.value(2).toDouble();
                    send.peakKb = fields.value(3).toLongLong();
                }
                send.ok = process->exitCode() == 0;
                if (!send.ok)
                    std::fprintf(stderr, "machine %d: %s", index, process->readAllStandardError().constData());
                delete process;
                running.removeAt(r);
            }
        }
        const double wall = clock.elapsed() / 1000.0;
        const int stored = storedCount(server.value(QStringLiteral("OCS_DB_SOCKET")), prefix);
        const qint64 bytes = accessLogBytes(log, logOffset, &logOffset);
        double seconds = 0, cpu = 0;
        qint64 peak = 0;
        for (const Send &send : sends) {
            seconds += send.seconds;
            cpu += send.cpuSeconds;
            peak = std::max(peak, send.peakKb);
        }
        std::printf("%6d %10d %12.2f %14lld %16.2f %16.3f %14.1f\n", n, stored, stored / wall, (long long)(bytes / std::max(n, 1)),
                    seconds / n, cpu / n, peak / 1024.0);
        std::fflush(stdout);
    }
    std::printf("\nbytes/machine: what the server received per machine (PROLOG and inventory, HTTP headers included);\n"
                "client s/send: wall time of one run; peak RSS: the largest of all runs.\n");
    return 0;
}
