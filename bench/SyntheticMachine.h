#pragma once

#include <QString>

namespace bench {

// Writes a machine root with the given number of PCI functions and USB
// devices (each USB device with one interface), laid out as the kernel lays
// out sysfs: devices below sys/devices, links from sys/bus/*/devices, driver
// and subsystem links, uevent files. Plus a small /proc with two CPUs.
void writeSyntheticMachine(const QString &root, int pciFunctions, int usbDevices);

} // namespace bench
