#pragma once

#include <QHash>
#include <QString>

namespace inventory::linuxsource {

class MachineRoot;

// The properties udev recorded for one device in its database
// (run/udev/data/<id>, lines "E:KEY=value"), world-readable, so an ordinary
// user sees what udev's helpers read with root rights (disk serials, DIMMs).
// Ids: "b8:0" for a block device, "c4:64" for a character device,
// "+dmi:id" for the firmware, "n2" for network interface 2.
QHash<QString, QString> udevProperties(const MachineRoot &root, const QString &id);

} // namespace inventory::linuxsource
