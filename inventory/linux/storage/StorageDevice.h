#pragma once

#include "inventory/linux/reading/SysfsDevice.h"

#include <QHash>
#include <QString>

#include <optional>

namespace inventory::linuxsource {

class PropertyBag;

// What the kernel knows of a drive on the SCSI layer (SATA, ATAPI, SAS, USB
// mass storage, virtual disks): its inquiry strings and where it sits.
// Disks, optical drives and tape drives share it.
struct StorageIdentity
{
    QString vendor;   // "ATA" for SATA disks, "HL-DT-ST" for a drive
    QString model;    // the inquiry product, or udev's full ATA model
    QString revision; // firmware revision
};

// The inquiry strings of a SCSI device directory, trimmed; udev's database
// (keyed by the block or character device number) completes a SATA model
// that the SCSI layer cut to 16 characters.
StorageIdentity storageIdentity(const SysfsDevice &device, const QHash<QString, QString> &udev = {});

// "HL-DT-ST DVDRAM GH22NS50": vendor and model as Windows joins them; ATA's
// stand-in vendor is left out.
QString storageDisplayName(const StorageIdentity &identity);

// The drive hangs off a USB port.
bool isUsbStorage(const SysfsDevice &device);
// The drive talks ATA (a SATA or PATA port, or an IDE/SATA PCI controller).
bool isAtaStorage(const SysfsDevice &device);

// Host, channel, target and LUN from a directory named "H:C:T:L".
struct ScsiAddress
{
    qint64 host = 0, channel = 0, target = 0, lun = 0;
};
std::optional<ScsiAddress> scsiAddress(const SysfsDevice &device);
// SCSIPort, SCSIBus, SCSITargetId and SCSILogicalUnit, when the address is known.
void addScsiAddress(PropertyBag &bag, const SysfsDevice &device);

// The Windows device instance id of a drive, with the Linux address as the
// instance: IDE\CDROMHL-DT-ST_DVDRAM_GH22NS50________________TN03____\1:0:0:0,
// USBSTOR\DISK&VEN_SANDISK&PROD_CRUZER_BLADE&REV_1.00\6:0:0:0,
// SCSI\SEQUENTIAL&VEN_HP&PROD_ULTRIUM_5-SCSI\0:0:0:0. kind is DISK, CDROM or
// SEQUENTIAL; instance names the drive where the device has no address.
QString storagePnpDeviceId(const SysfsDevice &device, const QString &kind, const StorageIdentity &identity,
                           const QString &instance);

// The udev database entry of a block device ("b8:0") from its dev attribute.
QHash<QString, QString> blockUdevProperties(const SysfsDevice &block);
// udev's encoded values ("Samsung\x20SSD") decoded.
QString udevDecoded(const QString &encoded);

} // namespace inventory::linuxsource
