// Win32_SoundDevice: one instance per ALSA sound card, from /proc/asound
// and sys/class/sound, named as ALSA names the card, else by the PCI or USB
// device behind it.
#include "inventory/linux/devices/Sound.h"

#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/HardwareNames.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <QMap>
#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_SoundDevice");

struct Card
{
    AlsaCard alsa;
    SysfsDevice hardware; // the PCI or USB function, or the platform device
};

// The hardware a card belongs to: its "device" link, or the directory above
// "sound/" where a captured tree left the link out.
SysfsDevice cardHardware(const MachineRoot &root, const QString &card)
{
    const QString dir = root.resolve(QStringLiteral("sys/class/sound/") + card);
    if (dir.isEmpty())
        return {};
    const SysfsDevice linked = SysfsDevice::fromLink(root, dir + QStringLiteral("/device"));
    if (linked.isValid())
        return linked;
    const SysfsDevice up = SysfsDevice(root, dir).parent();
    return up.name() == QLatin1String("sound") ? up.parent() : SysfsDevice();
}

std::vector<Card> cards(const MachineRoot &root)
{
    QMap<int, Card> found;
    for (const AlsaCard &alsa : parseAsoundCards(root.readBytes(QStringLiteral("proc/asound/cards")).value_or(QByteArray())))
        found[alsa.number] = Card{alsa, {}};
    static const QRegularExpression cardName(QStringLiteral("^card([0-9]+)$"));
    for (const QString &name : root.list(QStringLiteral("sys/class/sound"))) {
        const QRegularExpressionMatch match = cardName.match(name);
        if (!match.hasMatch())
            continue;
        Card &card = found[match.captured(1).toInt()];
        card.alsa.number = match.captured(1).toInt();
        card.hardware = cardHardware(root, name);
        if (card.alsa.id.isEmpty())
            card.alsa.id = root.readText(QStringLiteral("sys/class/sound/") + name + QStringLiteral("/id")).value_or(QString()).trimmed();
    }
    std::vector<Card> list;
    for (const Card &card : found)
        list.push_back(card);
    return list;
}

QString caption(const Card &card)
{
    if (!card.alsa.shortName.isEmpty())
        return card.alsa.shortName;
    if (const std::optional<QString> name = busDeviceName(card.hardware))
        return *name;
    return QStringLiteral("Sound card %1").arg(card.alsa.number);
}

Properties cardProperties(const MachineRoot &root, const Card &card)
{
    const QString name = caption(card);
    const QString pnpId = card.hardware.isValid() ? carrierPnpDeviceId(card.hardware) : QString();
    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(root))
        .text(QStringLiteral("Caption"), name)
        .text(QStringLiteral("Name"), name)
        .text(QStringLiteral("ProductName"), name)
        .text(QStringLiteral("Description"), card.alsa.longName.isEmpty() ? name : card.alsa.longName)
        .text(QStringLiteral("Manufacturer"), busDeviceMaker(card.hardware))
        .text(QStringLiteral("DeviceID"), pnpId.isEmpty() ? QStringLiteral("SOUND\\card%1").arg(card.alsa.number) : pnpId)
        .text(QStringLiteral("PNPDeviceID"), pnpId)
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        .integer(QStringLiteral("StatusInfo"), 3)
        // ALSA lists a card only once its driver has it.
        .integer(QStringLiteral("ConfigManagerErrorCode"), 0)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false)
        .boolean(QStringLiteral("PowerManagementSupported"), false);
    return bag.take();
}

std::vector<Instance> soundDevices(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const Card &card : cards(root))
        instances.emplace_back(Value::text(caption(card)), [root, card] { return cardProperties(root, card); });
    return instances;
}

} // namespace

std::vector<AlsaCard> parseAsoundCards(const QByteArray &text)
{
    static const QRegularExpression head(QStringLiteral("^\\s*([0-9]{1,4}) \\[(.*)\\]: (\\S+) - (.*)$"));
    std::vector<AlsaCard> cards;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch match = head.match(cleanText(lines[i]));
        if (!match.hasMatch())
            continue;
        AlsaCard card;
        card.number = match.captured(1).toInt();
        card.id = match.captured(2).trimmed();
        card.driver = match.captured(3);
        card.shortName = match.captured(4).trimmed();
        // The long name is the next line, indented.
        if (i + 1 < lines.size() && !head.match(cleanText(lines[i + 1])).hasMatch())
            card.longName = cleanText(lines[i + 1]).trimmed();
        cards.push_back(card);
    }
    return cards;
}

void registerSound(ClassTable &table)
{
    table.provide(ClassName, soundDevices);
}

} // namespace inventory::linuxsource
