// Times the device classes of the Linux source on a machine root: what a
// scan pays per class (captions only) and what reading every instance's
// properties adds. Usage: bench_devices [root] [repeats]
#include "inventory/linux/LinuxSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace inventory;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/");
    const int repeats = argc > 2 ? qMax(1, atoi(argv[2])) : 20;
    const QStringList classes = {
        QStringLiteral("Win32_Keyboard"),        QStringLiteral("Win32_PointingDevice"),
        QStringLiteral("Win32_CDROMDrive"),      QStringLiteral("Win32_DiskDrive"),
        QStringLiteral("Win32_FloppyDrive"),     QStringLiteral("Win32_TapeDrive"),
        QStringLiteral("Win32_InfraredDevice"),  QStringLiteral("Win32_IRQResource"),
        QStringLiteral("Win32_ParallelPort"),    QStringLiteral("Win32_PortResource"),
        QStringLiteral("Win32_SerialPort"),      QStringLiteral("Win32_SerialPortConfiguration"),
        QStringLiteral("Win32_SoundDevice"),     QStringLiteral("Win32_SystemMemoryResource"),
        QStringLiteral("Win32_NetworkAdapter"),  QStringLiteral("Win32_AssociatedBattery"),
        QStringLiteral("Win32_Printer"),         QStringLiteral("Win32_POTSModem"),
        QStringLiteral("Win32_POTSModemToSerialPort"),
    };
    linuxsource::LinuxSource source(root);
    std::printf("root %s, %d repeats\n%-32s %9s %14s %16s\n", qPrintable(root), repeats, "class", "instances",
                "captions (ms)", "properties (ms)");
    double captionsTotal = 0, propertiesTotal = 0;
    for (const QString &className : classes) {
        QElapsedTimer timer;
        timer.start();
        int count = 0;
        for (int i = 0; i < repeats; ++i) {
            count = 0;
            InstanceEnumeration instances = source.instancesOf(className);
            while (std::optional<Instance> instance = instances.next()) {
                if (instance->hasCaption())
                    instance->caption();
                ++count;
            }
        }
        const double captions = double(timer.nsecsElapsed()) / 1e6 / repeats;
        timer.restart();
        for (int i = 0; i < repeats; ++i) {
            InstanceEnumeration instances = source.instancesOf(className);
            while (std::optional<Instance> instance = instances.next())
                instance->properties();
        }
        const double properties = double(timer.nsecsElapsed()) / 1e6 / repeats;
        captionsTotal += captions;
        propertiesTotal += properties;
        std::printf("%-32s %9d %14.3f %16.3f\n", qPrintable(className), count, captions, properties);
    }
    std::printf("%-32s %9s %14.3f %16.3f\n", "total", "", captionsTotal, propertiesTotal);
    return 0;
}
