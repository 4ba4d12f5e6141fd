#include "inventory/linux/devices/InputDevices.h"

#include "inventory/linux/reading/MachineRoot.h"

#include <QRegularExpression>

#include <climits>

namespace inventory::linuxsource {

namespace {

// Event types and codes of linux/input-event-codes.h.
constexpr int EvKey = 0x01;
constexpr int EvRel = 0x02;
constexpr int EvAbs = 0x03;
constexpr int RelX = 0x00;
constexpr int RelY = 0x01;
constexpr int AbsX = 0x00;
constexpr int AbsY = 0x01;
constexpr int AbsMtPositionX = 0x35;
constexpr int AbsMtPositionY = 0x36;
constexpr int KeyEsc = 1;
constexpr int KeyS = 31;
constexpr int BtnMouse = 0x110;
constexpr int BtnTask = 0x117;
constexpr int BtnToolPen = 0x140;
constexpr int BtnToolFinger = 0x145;
constexpr int BtnTouch = 0x14a;
constexpr int BtnStylus = 0x14b;
constexpr int PropDirect = 0x01;
constexpr int PropPointingStick = 0x05;
constexpr int PropAccelerometer = 0x06;

// WMI PointingType codes.
constexpr int PointingOther = 1;
constexpr int PointingMouse = 3;
constexpr int PointingTrackBall = 4;
constexpr int PointingTrackPoint = 5;
constexpr int PointingTouchPad = 7;
constexpr int PointingTouchScreen = 8;

QString unquoted(QString text)
{
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    return text;
}

quint16 hex16(const QString &text)
{
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok, 16);
    return ok && value <= 0xffff ? quint16(value) : 0;
}

// "I: Bus=0003 Vendor=046d Product=c05a Version=0111"
void readIds(InputDevice &device, const QString &line)
{
    for (const QString &field : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = field.section(QLatin1Char('='), 0, 0);
        const QString value = field.section(QLatin1Char('='), 1);
        if (key == QLatin1String("Bus"))
            device.bus = hex16(value);
        else if (key == QLatin1String("Vendor"))
            device.vendor = hex16(value);
        else if (key == QLatin1String("Product"))
            device.product = hex16(value);
    }
}

// The bitmap keys of a sysfs uevent file and of /proc's "B:" lines.
bool isBitmapKey(const QString &key)
{
    static const QStringList keys = {QStringLiteral("PROP"), QStringLiteral("EV"),  QStringLiteral("KEY"),
                                     QStringLiteral("REL"),  QStringLiteral("ABS"), QStringLiteral("MSC"),
                                     QStringLiteral("LED"),  QStringLiteral("SND"), QStringLiteral("FF"),
                                     QStringLiteral("SW")};
    return keys.contains(key);
}

InputDevice fromSysfs(const MachineRoot &root, const QString &dir)
{
    InputDevice device;
    device.sysfsPath = dir;
    for (const QString &line : root.readLines(dir + QStringLiteral("/uevent")).value_or(QStringList())) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq);
        QString value = line.mid(eq + 1);
        // Kernels before 2.6.28 wrote "EV==120013".
        while (value.startsWith(QLatin1Char('=')))
            value.remove(0, 1);
        if (key == QLatin1String("NAME"))
            device.name = unquoted(value);
        else if (key == QLatin1String("PHYS"))
            device.phys = unquoted(value);
        else if (key == QLatin1String("PRODUCT")) {
            const QStringList ids = value.split(QLatin1Char('/'));
            if (ids.size() >= 3) {
                device.bus = hex16(ids[0]);
                device.vendor = hex16(ids[1]);
                device.product = hex16(ids[2]);
            }
        } else if (isBitmapKey(key))
            device.bitmaps.insert(key, value.trimmed());
    }
    // Trees without a uevent file still have the attributes.
    if (device.name.isEmpty())
        device.name = root.readText(dir + QStringLiteral("/name")).value_or(QString()).trimmed();
    if (device.phys.isEmpty())
        device.phys = root.readText(dir + QStringLiteral("/phys")).value_or(QString()).trimmed();
    if (device.bus == 0 && device.vendor == 0 && device.product == 0) {
        device.bus = hex16(root.readText(dir + QStringLiteral("/id/bustype")).value_or(QString()));
        device.vendor = hex16(root.readText(dir + QStringLiteral("/id/vendor")).value_or(QString()));
        device.product = hex16(root.readText(dir + QStringLiteral("/id/product")).value_or(QString()));
    }
    static const QStringList capabilityFiles = {QStringLiteral("ev"), QStringLiteral("key"), QStringLiteral("rel"),
                                                QStringLiteral("abs"), QStringLiteral("sw")};
    for (const QString &file : capabilityFiles) {
        const QString key = file.toUpper();
        if (!device.bitmaps.contains(key))
            if (const auto value = root.readText(dir + QStringLiteral("/capabilities/") + file))
                device.bitmaps.insert(key, value->trimmed());
    }
    if (!device.bitmaps.contains(QStringLiteral("PROP")))
        if (const auto value = root.readText(dir + QStringLiteral("/properties")))
            device.bitmaps.insert(QStringLiteral("PROP"), value->trimmed());
    return device;
}

bool hasAllKeys(const InputDevice &device, int first, int last)
{
    for (int key = first; key <= last; ++key)
        if (!device.hasBit(QStringLiteral("KEY"), key))
            return false;
    return true;
}

bool hasAnyKey(const InputDevice &device, int first, int last)
{
    for (int key = first; key <= last; ++key)
        if (device.hasBit(QStringLiteral("KEY"), key))
            return true;
    return false;
}

} // namespace

bool InputDevice::hasBit(const QString &bitmap, int bit) const
{
    if (bit < 0)
        return false;
    const QStringList words = bitmaps.value(bitmap).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // The kernel prints its own longs; a word wider than 32 bits settles the
    // question, else the words are as wide as this machine's.
    int width = int(sizeof(long) * CHAR_BIT);
    for (const QString &word : words)
        if (word.size() > 8)
            width = 64;
    const qsizetype index = words.size() - 1 - bit / width;
    if (index < 0 || index >= words.size())
        return false;
    bool ok = false;
    const quint64 value = words[index].toULongLong(&ok, 16);
    return ok && ((value >> (bit % width)) & 1U);
}

std::vector<InputDevice> parseInputDevices(const QByteArray &text)
{
    std::vector<InputDevice> devices;
    InputDevice current;
    bool open = false;
    const auto finish = [&] {
        if (open)
            devices.push_back(current);
        current = InputDevice();
        open = false;
    };
    for (const QByteArray &raw : text.split('\n')) {
        const QString line = cleanText(raw).trimmed();
        if (line.isEmpty()) {
            finish();
            continue;
        }
        if (line.size() < 3 || line[1] != QLatin1Char(':'))
            continue;
        open = true;
        const QString body = line.mid(2).trimmed();
        const QString value = body.section(QLatin1Char('='), 1);
        switch (line[0].toLatin1()) {
        case 'I':
            readIds(current, body);
            break;
        case 'N':
            current.name = unquoted(value);
            break;
        case 'P':
            current.phys = value.trimmed();
            break;
        case 'S':
            if (value.startsWith(QLatin1Char('/')) && !value.contains(QLatin1String("..")))
                current.sysfsPath = QStringLiteral("sys") + value.trimmed();
            break;
        case 'B': {
            const QString key = body.section(QLatin1Char('='), 0, 0);
            if (isBitmapKey(key))
                current.bitmaps.insert(key, value.trimmed());
            break;
        }
        default:
            break;
        }
    }
    finish();
    return devices;
}

std::vector<InputDevice> readInputDevices(const MachineRoot &root)
{
    if (const std::optional<QByteArray> table = root.readBytes(QStringLiteral("proc/bus/input/devices"));
        table && !table->trimmed().isEmpty())
        return parseInputDevices(*table);
    static const QRegularExpression inputName(QStringLiteral("^input[0-9]+$"));
    std::vector<InputDevice> devices;
    for (const QString &name : root.list(QStringLiteral("sys/class/input"))) {
        if (!inputName.match(name).hasMatch())
            continue;
        const QString dir = root.resolve(QStringLiteral("sys/class/input/") + name);
        if (!dir.isEmpty())
            devices.push_back(fromSysfs(root, dir));
    }
    return devices;
}

bool isKeyboard(const InputDevice &device)
{
    return device.hasBit(QStringLiteral("EV"), EvKey) && hasAllKeys(device, KeyEsc, KeyS);
}

std::optional<int> pointingType(const InputDevice &device)
{
    const auto key = [&](int code) { return device.hasBit(QStringLiteral("KEY"), code); };
    const bool mouseButtons = hasAnyKey(device, BtnMouse, BtnTask);
    const QString name = device.name.toLower();
    if (device.hasBit(QStringLiteral("PROP"), PropAccelerometer))
        return std::nullopt;
    if (device.hasBit(QStringLiteral("EV"), EvRel) && device.hasBit(QStringLiteral("REL"), RelX)
        && device.hasBit(QStringLiteral("REL"), RelY) && mouseButtons) {
        if (device.hasBit(QStringLiteral("PROP"), PropPointingStick) || name.contains(QLatin1String("trackpoint"))
            || name.contains(QLatin1String("pointing stick")))
            return PointingTrackPoint;
        if (name.contains(QLatin1String("trackball")))
            return PointingTrackBall;
        return PointingMouse;
    }
    const bool absolute = device.hasBit(QStringLiteral("EV"), EvAbs)
        && ((device.hasBit(QStringLiteral("ABS"), AbsX) && device.hasBit(QStringLiteral("ABS"), AbsY))
            || (device.hasBit(QStringLiteral("ABS"), AbsMtPositionX) && device.hasBit(QStringLiteral("ABS"), AbsMtPositionY)));
    if (!absolute)
        return std::nullopt;
    if (key(BtnToolPen) || key(BtnStylus))
        return PointingOther; // pens and graphics tablets
    if (key(BtnToolFinger))
        return device.hasBit(QStringLiteral("PROP"), PropDirect) && !mouseButtons ? PointingTouchScreen : PointingTouchPad;
    if (key(BtnTouch))
        return PointingTouchScreen;
    if (mouseButtons)
        return PointingMouse; // absolute mice: the tablets of virtual machines
    return std::nullopt;
}

} // namespace inventory::linuxsource
