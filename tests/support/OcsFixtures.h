#pragma once

// Machines for the inventory-server tests, put together from
// ../shared/realdata: a captured sysfs tree, a real firmware table placed
// where the kernel shows it, a real monitor's EDID on a display output, and
// the few files a capture leaves out (host name, os-release, routes), with
// what dmidecode and edid-decode say about the same bytes as the truth.
#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <optional>

namespace testing {

struct OcsFixture
{
    QString name;       // also the machine's host name
    QString archive;    // sysfs capture below realdata
    QString subfolder;  // the capture's root inside the archive, or ""
    QString table;      // smbios/derived-sysfs-layout/<table>
    QString dmidecode;  // dmidecode's text of that table, below realdata/smbios
    QString edid;       // below realdata/edid
    QString edidDecode; // edid-decode's text of it, below realdata/edid
    QString gpu;        // PCI address of the display function the monitor hangs on
    QString connector;  // "VGA-1"
    QString interface;  // a network interface given an address, or ""
    QString address;
};

struct OcsTruth
{
    QString hostName;
    QString uuid;          // upper case, as WMI writes it
    QString systemModel;   // as the console should show it
    QString systemSerial;
    QString biosVersion;
    QString biosDate;      // MM/DD/YYYY
    QString boardModel;
    QStringList modules;   // memoryLine() of each installed module
    qsizetype slots = 0;   // system memory slots, empty ones included
    QStringList memorySlots; // "DIMM 2 0": locator and MiB of every memory device, 0 for an empty slot
    QStringList slotNames; // the system slots' designations
    QStringList processors; // "name cores logical" per package, from the capture's cpuinfo
    QString monitorName;
    QString resolution;    // the mode of the monitor's output
    QByteArray edid;
    QStringList diskModels; // empty: the capture names none
    QStringList pciFunctions; // "00:1f.3 04": slot and revision, sorted
    QString mac;            // of the interface given an address
    QString address;
};

struct OcsMachine
{
    QString root;
    OcsTruth truth;
};

// "P1-DIMM1A 4096 AL12P72A8BLK0M": locator, MiB, part number.
QString memoryLine(const QString &locator, const QString &mebibytes, const QString &part);

// Every fixture machine, and the same as data rows (column "fixture").
QList<OcsFixture> ocsFixtures();
void addOcsFixtureRows();
// The machine's root and its truth; none when the real data is missing.
std::optional<OcsMachine> buildOcsMachine(const OcsFixture &fixture);

} // namespace testing

Q_DECLARE_METATYPE(testing::OcsFixture)
