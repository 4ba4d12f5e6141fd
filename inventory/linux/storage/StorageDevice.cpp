#include "inventory/linux/storage/StorageDevice.h"

#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/reading/UdevData.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

constexpr int IdeModelWidth = 40;
constexpr int IdeRevisionWidth = 8;
constexpr int ScsiVendorWidth = 8;
constexpr int ScsiProductWidth = 16;
constexpr quint64 PciClassIde = 0x0101;
constexpr quint64 PciClassSata = 0x0106;

// Device ids use upper case and "_" for blanks.
QString idText(const QString &text)
{
    QString out = text.trimmed().toUpper();
    out.replace(QLatin1Char(' '), QLatin1Char('_'));
    return out;
}

QString padded(const QString &text, int width)
{
    return idText(text).left(width).leftJustified(width, QLatin1Char('_'));
}

} // namespace

QString udevDecoded(const QString &encoded)
{
    // udev writes bytes outside [A-Za-z0-9#+-.:=@_] as \xHH.
    QByteArray out;
    const QByteArray in = encoded.toUtf8();
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '\\' && i + 3 < in.size() && in[i + 1] == 'x') {
            bool ok = false;
            const int byte = in.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(byte));
                i += 3;
                continue;
            }
        }
        out.append(in[i]);
    }
    return cleanText(out);
}

QHash<QString, QString> blockUdevProperties(const SysfsDevice &block)
{
    const std::optional<QString> devnum = block.trimmed(QStringLiteral("dev"));
    if (!devnum)
        return {};
    return udevProperties(block.root(), QStringLiteral("b") + *devnum);
}

StorageIdentity storageIdentity(const SysfsDevice &device, const QHash<QString, QString> &udev)
{
    StorageIdentity identity;
    identity.vendor = device.trimmed(QStringLiteral("vendor")).value_or(QString());
    identity.model = device.trimmed(QStringLiteral("model")).value_or(QString());
    identity.revision = device.trimmed(QStringLiteral("rev")).value_or(QString());
    // libata hands the SCSI layer only 16 characters of the ATA model;
    // udev's ata_id read all 40.
    const QString udevModel = udevDecoded(udev.value(QStringLiteral("ID_MODEL_ENC"))).trimmed();
    if (identity.vendor == QLatin1String("ATA") && udevModel.size() > identity.model.size()
        && udevModel.startsWith(identity.model))
        identity.model = udevModel;
    if (identity.revision.isEmpty())
        identity.revision = udev.value(QStringLiteral("ID_REVISION")).trimmed();
    return identity;
}

QString storageDisplayName(const StorageIdentity &identity)
{
    if (identity.vendor.isEmpty() || identity.vendor == QLatin1String("ATA")
        || identity.model.startsWith(identity.vendor, Qt::CaseInsensitive))
        return identity.model;
    if (identity.model.isEmpty())
        return {};
    return identity.vendor + QLatin1Char(' ') + identity.model;
}

bool isUsbStorage(const SysfsDevice &device)
{
    static const QRegularExpression usbPort(QStringLiteral("/usb[0-9]+/"));
    return usbPort.match(device.path()).hasMatch();
}

bool isAtaStorage(const SysfsDevice &device)
{
    if (isUsbStorage(device))
        return false;
    static const QRegularExpression ataPort(QStringLiteral("/ata[0-9]+/"));
    if (ataPort.match(device.path()).hasMatch())
        return true;
    // Older kernels put the SCSI host right under the controller.
    const SysfsDevice controller = device.ancestorOnBus(QStringLiteral("pci"));
    const std::optional<quint64> pciClass = controller.hexAttribute(QStringLiteral("class"));
    return pciClass && ((*pciClass >> 8) == PciClassIde || (*pciClass >> 8) == PciClassSata);
}

std::optional<ScsiAddress> scsiAddress(const SysfsDevice &device)
{
    static const QRegularExpression address(QStringLiteral("^([0-9]+):([0-9]+):([0-9]+):([0-9]+)$"));
    const QRegularExpressionMatch match = address.match(device.name());
    if (!match.hasMatch())
        return std::nullopt;
    return ScsiAddress{match.captured(1).toLongLong(), match.captured(2).toLongLong(), match.captured(3).toLongLong(),
                       match.captured(4).toLongLong()};
}

void addScsiAddress(PropertyBag &bag, const SysfsDevice &device)
{
    const std::optional<ScsiAddress> address = scsiAddress(device);
    if (!address)
        return;
    bag.integer(QStringLiteral("SCSIPort"), address->host)
        .integer(QStringLiteral("SCSIBus"), address->channel)
        .integer(QStringLiteral("SCSITargetId"), address->target)
        .integer(QStringLiteral("SCSILogicalUnit"), address->lun);
}

QString storagePnpDeviceId(const SysfsDevice &device, const QString &kind, const StorageIdentity &identity,
                           const QString &instance)
{
    const QString where = scsiAddress(device) ? device.name() : instance;
    const QString name = storageDisplayName(identity).isEmpty() ? instance : storageDisplayName(identity);
    if (isAtaStorage(device))
        return QStringLiteral("IDE\\%1%2%3\\%4")
            .arg(kind, padded(name, IdeModelWidth), padded(identity.revision, IdeRevisionWidth), where);
    const QString vendor = idText(identity.vendor.isEmpty() ? QStringLiteral("Generic") : identity.vendor);
    const QString product = idText(identity.model.isEmpty() ? instance : identity.model);
    QString id = QStringLiteral("%1\\%2&VEN_%3&PROD_%4")
                     .arg(isUsbStorage(device) ? QStringLiteral("USBSTOR") : QStringLiteral("SCSI"), kind,
                          vendor.left(ScsiVendorWidth), product.left(ScsiProductWidth));
    if (isUsbStorage(device) && !identity.revision.isEmpty())
        id += QStringLiteral("&REV_") + idText(identity.revision);
    return id + QLatin1Char('\\') + where;
}

} // namespace inventory::linuxsource
