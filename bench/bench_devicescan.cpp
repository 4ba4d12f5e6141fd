// Prints what enumerating the device classes costs on a machine root ("/"
// by default): the first query (which opens the ID databases), then the
// median of repeated captions-only queries per class, a whole catalogue
// scan, and a properties pass over every Plug-and-Play device.
#include "inventory/Catalogue.h"
#include "inventory/EventPump.h"
#include "inventory/linux/LinuxSource.h"
#include "inventory/modGetDevices.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace inventory;

namespace {

constexpr int Rounds = 21;

template<typename Work>
double medianMilliseconds(Work &&work)
{
    std::vector<double> times;
    for (int i = 0; i < Rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/");
    NoEventPump pump;
    const modGetDevices devices(linuxsource::LinuxSource::instrumentation(root), pump);

    QElapsedTimer first;
    first.start();
    const qsizetype entities = devices.GetDeviceCaptions(QStringLiteral("Win32_PNPEntity")).size();
    std::printf("root %s\nfirst PNPEntity query (opens the ID databases): %.2f ms, %lld devices\n",
                qPrintable(root), double(first.nsecsElapsed()) / 1e6, static_cast<long long>(entities));

    for (const char *name : {"Win32_PNPEntity", "Win32_Bus", "Win32_USBController", "Win32_USBHub", "Win32_IDEController",
                             "Win32_SCSIController", "Win32_1394Controller", "Win32_PCMCIAController", "Win32_FloppyController"}) {
        const QString className = QLatin1String(name);
        qsizetype count = 0;
        const double ms = medianMilliseconds([&] { count = devices.GetDeviceCaptions(className).size(); });
        std::printf("  %-24s %4lld captions  %7.3f ms\n", name, static_cast<long long>(count), ms);
    }

    const QStringList catalogue = deviceCatalogue();
    const double scan = medianMilliseconds([&] {
        devices.GetDeviceCaptions(ComputerClass);
        for (const QString &className : catalogue)
            devices.GetDeviceCaptions(className);
    });
    std::printf("whole scan (57 caption queries): %.2f ms\n", scan);

    // As a report with properties does it: one enumeration of the class
    // serves every device.
    const double properties = medianMilliseconds([&] {
        linuxsource::LinuxSource source(root);
        InstanceEnumeration instances = source.instancesOf(QStringLiteral("Win32_PNPEntity"));
        while (std::optional<Instance> instance = instances.next())
            instance->properties();
    });
    std::printf("properties of every PNPEntity device: %.2f ms\n", properties);
    return 0;
}
