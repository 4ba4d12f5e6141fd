// Win32_BIOS: the firmware itself, from SMBIOS type 0 (with the languages of
// type 13 and the system serial of type 1), or the kernel's bios_* strings.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/firmware/SmbiosDecode.h"

#include <QTimeZone>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_BIOS");
// Windows' own name for a firmware that gives no version.
const QString DefaultName = QStringLiteral("Default System BIOS");

enum Type : quint8 { BiosType = 0, SystemType = 1, LanguageType = 13 };
// Characteristics bit 3: the firmware does not say what it supports.
constexpr quint64 CharacteristicsNotSupported = 1u << 3;
constexpr quint8 NoVersion = 0xFF;

std::optional<QString> biosVersion(const Firmware &firmware)
{
    if (const SmbiosStructure *bios = firmware.table().first(BiosType))
        return bios->string(0x05);
    return firmware.dmiId("bios_version");
}

std::optional<qint64> versionByte(const SmbiosStructure &bios, int offset)
{
    const std::optional<quint8> value = bios.byte(offset);
    if (!value || *value == NoVersion)
        return std::nullopt;
    return *value;
}

// "1.29" as the kernel gives bios_release and ec_firmware_release.
void releaseParts(PropertyBag &bag, const std::optional<QString> &release, const QString &major, const QString &minor)
{
    if (!release)
        return;
    const QStringList parts = release->trimmed().split(QLatin1Char('.'));
    bool okMajor = false, okMinor = false;
    const int hi = parts.value(0).toInt(&okMajor);
    const int lo = parts.value(1).toInt(&okMinor);
    if (parts.size() == 2 && okMajor && okMinor && hi >= 0 && hi < NoVersion && lo >= 0 && lo < NoVersion)
        bag.integer(major, hi).integer(minor, lo);
}

void releaseDate(PropertyBag &bag, const std::optional<QString> &text)
{
    if (!text)
        return;
    if (const std::optional<QDate> date = biosReleaseDate(*text))
        bag.set(QStringLiteral("ReleaseDate"), Value::dateTime(QDateTime(*date, QTime(0, 0), QTimeZone::utc())));
}

void fromTable(PropertyBag &bag, const SmbiosTable &table, const SmbiosStructure &bios)
{
    bag.text(QStringLiteral("Manufacturer"), bios.string(0x04));
    releaseDate(bag, bios.string(0x08));
    if (const std::optional<quint64> characteristics = bios.qword(0x0A)) {
        QStringList codes;
        if (*characteristics & CharacteristicsNotSupported) {
            codes << QString::number(3);
        } else {
            codes = bitNumbers(*characteristics, 32);
            codes += bitNumbers(bios.byte(0x12).value_or(0), 8, 32);
        }
        bag.set(QStringLiteral("BiosCharacteristics"), Value::array(codes));
    }
    bag.integer(QStringLiteral("SystemBiosMajorVersion"), versionByte(bios, 0x14))
        .integer(QStringLiteral("SystemBiosMinorVersion"), versionByte(bios, 0x15))
        .integer(QStringLiteral("EmbeddedControllerMajorVersion"), versionByte(bios, 0x16))
        .integer(QStringLiteral("EmbeddedControllerMinorVersion"), versionByte(bios, 0x17));

    if (const SmbiosStructure *languages = table.first(LanguageType)) {
        bag.integer(QStringLiteral("InstallableLanguages"), languages->byte(0x04));
        bag.text(QStringLiteral("CurrentLanguage"), languages->string(0x15));
        QStringList list = languages->strings().mid(0, languages->byte(0x04).value_or(0));
        list.removeAll(QString());
        if (!list.isEmpty())
            bag.set(QStringLiteral("ListOfLanguages"), Value::array(list));
    }
}

PropertyBag biosProperties(const Firmware &firmware)
{
    const SmbiosTable &table = firmware.table();
    const QString name = biosVersion(firmware).value_or(DefaultName);
    PropertyBag bag;
    bag.text(QStringLiteral("Caption"), name)
        .text(QStringLiteral("Description"), name)
        .text(QStringLiteral("Name"), name)
        .text(QStringLiteral("SoftwareElementID"), name)
        .text(QStringLiteral("SMBIOSBIOSVersion"), biosVersion(firmware))
        .boolean(QStringLiteral("PrimaryBIOS"), true)
        .integer(QStringLiteral("SoftwareElementState"), 3) // Running
        .integer(QStringLiteral("TargetOperatingSystem"), 0)
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        .boolean(QStringLiteral("SMBIOSPresent"), true);
    if (table.version)
        bag.integer(QStringLiteral("SMBIOSMajorVersion"), table.version->major)
            .integer(QStringLiteral("SMBIOSMinorVersion"), table.version->minor);

    if (const SmbiosStructure *bios = table.first(BiosType)) {
        fromTable(bag, table, *bios);
    } else {
        bag.text(QStringLiteral("Manufacturer"), firmware.dmiId("bios_vendor"));
        releaseDate(bag, firmware.dmiId("bios_date"));
        releaseParts(bag, firmware.dmiId("bios_release"), QStringLiteral("SystemBiosMajorVersion"),
                     QStringLiteral("SystemBiosMinorVersion"));
        releaseParts(bag, firmware.dmiId("ec_firmware_release"), QStringLiteral("EmbeddedControllerMajorVersion"),
                     QStringLiteral("EmbeddedControllerMinorVersion"));
    }
    if (const SmbiosStructure *system = table.first(SystemType))
        bag.text(QStringLiteral("SerialNumber"), system->string(0x07));
    else
        bag.text(QStringLiteral("SerialNumber"), firmware.dmiId("product_serial"));
    return bag;
}

} // namespace

std::vector<Instance> biosInstances(const FirmwarePtr &firmware)
{
    if (!firmware->present())
        return {};
    return {firmwareInstance(biosVersion(*firmware).value_or(DefaultName), firmware, biosProperties)};
}

void registerBios(ClassTable &table)
{
    provideFirmware(table, ClassName, biosInstances);
}

} // namespace inventory::linuxsource
