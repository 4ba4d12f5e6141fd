#include "SmbiosFixtures.h"

#include "inventory/linux/LinuxSource.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace testing {

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 littleEndian32(const QByteArray &bytes, int offset)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | quint8(bytes.at(offset + i));
    return value;
}

} // namespace

QString DmiRecord::value(const QString &key) const
{
    for (const auto &field : fields)
        if (field.first == key)
            return field.second;
    return {};
}

QStringList DmiRecord::values(const QString &key) const
{
    QStringList found;
    for (const auto &field : fields)
        if (field.first == key)
            found << field.second;
    return found;
}

bool DmiRecord::has(const QString &key) const
{
    for (const auto &field : fields)
        if (field.first == key)
            return true;
    return false;
}

QList<DmiRecord> readDmidecodeText(const QString &path)
{
    static const QRegularExpression handle(QStringLiteral("^Handle 0x[0-9A-Fa-f]+, DMI type (\\d+), \\d+ bytes"));
    QList<DmiRecord> records;
    QString text = QString::fromUtf8(fileBytes(path));
    text.remove(QLatin1Char('\r'));
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = handle.match(line);
        if (m.hasMatch()) {
            records.append(DmiRecord());
            records.last().type = m.captured(1).toInt();
            continue;
        }
        if (records.isEmpty() || line.isEmpty())
            continue;
        DmiRecord &record = records.last();
        if (!line.startsWith(QLatin1Char('\t'))) {
            if (record.title.isEmpty())
                record.title = line;
            continue;
        }
        if (line.startsWith(QLatin1String("\t\t"))) {
            if (!record.fields.isEmpty())
                record.lists[record.fields.last().first].append(line.mid(2));
            continue;
        }
        const QString body = line.mid(1);
        const qsizetype colon = body.indexOf(QLatin1String(": "));
        if (colon >= 0)
            record.fields.append({body.left(colon), body.mid(colon + 2)});
        else if (body.endsWith(QLatin1Char(':')))
            record.fields.append({body.chopped(1), QString()});
    }
    return records;
}

QList<DmiRecord> ofType(const QList<DmiRecord> &records, int type)
{
    QList<DmiRecord> found;
    for (const DmiRecord &record : records)
        if (record.type == type)
            found.append(record);
    return found;
}

QByteArray smbios3EntryPoint(int major, int minor, quint32 length)
{
    QByteArray ep(0x18, '\0');
    ep.replace(0, 5, "_SM3_");
    ep[0x06] = char(0x18);
    ep[0x07] = char(major);
    ep[0x08] = char(minor);
    ep[0x0A] = char(1);
    for (int i = 0; i < 4; ++i)
        ep[0x0C + i] = char(length >> (8 * i));
    ep[0x10] = char(0x20);
    quint8 sum = 0;
    for (char c : ep)
        sum = quint8(sum + quint8(c));
    ep[0x05] = char(quint8(0x100 - sum));
    return ep;
}

void writeTable(FixtureTree &tree, const QByteArray &entryPoint, const QByteArray &table)
{
    tree.file(QStringLiteral("sys/firmware/dmi/tables/smbios_entry_point"), entryPoint)
        .file(QStringLiteral("sys/firmware/dmi/tables/DMI"), table);
}

std::optional<RealTable> realTable(const QString &name)
{
    for (const RealTable &table : realTables())
        if (table.name == name)
            return table;
    return std::nullopt;
}

void addRealTableRows()
{
    QTest::addColumn<QByteArray>("entryPoint");
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("dmidecodeText");
    if (!sharedDataAvailable())
        return;
    for (const RealTable &t : realTables())
        QTest::newRow(qPrintable(t.name)) << t.entryPoint << t.table << t.dmidecodeText;
}

QByteArray smbiosStructure(quint8 type, quint16 handle, const QByteArray &fields, const QList<QByteArray> &strings)
{
    QByteArray s;
    s.append(char(type)).append(char(4 + fields.size())).append(char(handle & 0xFF)).append(char(handle >> 8));
    s.append(fields);
    for (const QByteArray &string : strings)
        s.append(string).append('\0');
    if (strings.isEmpty())
        s.append('\0');
    return s.append('\0');
}

QByteArray smbiosFields(int length, const QList<QPair<int, QByteArray>> &values)
{
    QByteArray fields(length - 4, '\0');
    for (const auto &[offset, bytes] : values)
        fields.replace(offset - 4, bytes.size(), bytes);
    return fields;
}

QByteArray littleEndian(quint64 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char(value >> (8 * i)));
    return out;
}

std::vector<Object> objects(const QString &root, const char *className)
{
    inventory::linuxsource::LinuxSource source(root);
    inventory::InstanceEnumeration instances = source.instancesOf(QLatin1String(className));
    std::vector<Object> list;
    while (std::optional<inventory::Instance> instance = instances.next()) {
        Object object;
        for (const inventory::Property &p : instance->properties())
            object.insert(p.name, p.value);
        list.push_back(object);
    }
    return list;
}

QString text(const Object &object, const char *name)
{
    return object.value(QLatin1String(name)).toText();
}

QList<RealTable> realTables()
{
    QList<RealTable> tables;
    const QString smbios = sharedData(QStringLiteral("smbios/"));
    // The dump files of one collection, split as the kernel shows them.
    const QString layout = smbios + QStringLiteral("derived-sysfs-layout/");
    const auto text = [&](const QString &relative) { return smbios + relative; };
    const QList<QPair<QString, QString>> split = {
        {QStringLiteral("Asus-UX307LA"), text(QStringLiteral("u-root-dmidecode/Asus-UX307LA.dmidecode.txt"))},
        {QStringLiteral("GigaByte-X399"), text(QStringLiteral("u-root-dmidecode/GigaByte-X399.dmidecode.txt"))},
        {QStringLiteral("Gigabyte-GA-MA74GMT-S2"), text(QStringLiteral("u-root-dmidecode/Gigabyte-GA-MA74GMT-S2.dmidecode.txt"))},
        {QStringLiteral("Lenovo-ThinkPad-T480"), text(QStringLiteral("u-root-dmidecode/Lenovo-ThinkPad-T480.dmidecode.txt"))},
        {QStringLiteral("Lenovo-ThinkPad-W510"), text(QStringLiteral("u-root-dmidecode/Lenovo-ThinkPad-W510.dmidecode.txt"))},
        {QStringLiteral("MSI-MS-7816"), text(QStringLiteral("u-root-dmidecode/MSI-MS-7816.dmidecode.txt"))},
        {QStringLiteral("SuperMicro-X9DBL"), text(QStringLiteral("u-root-dmidecode/SuperMicro-X9DBL.dmidecode.txt"))},
        {QStringLiteral("Synology-RS3614xsp"), text(QStringLiteral("u-root-dmidecode/Synology-RS3614xsp.dmidecode.txt"))},
        {QStringLiteral("VMWare"), text(QStringLiteral("u-root-dmidecode/VMWare.dmidecode.txt"))},
        {QStringLiteral("satellite_pro_l70_testdata"),
         text(QStringLiteral("u-root-pkg-smbios/satellite_pro_l70_testdata.dmidecode-3.4-generated.txt"))},
        {QStringLiteral("smbios_table"), text(QStringLiteral("u-root-pkg-smbios/smbios_table.dmidecode-3.4-generated.txt"))},
        {QStringLiteral("Beelink-EQ12"), text(QStringLiteral("siderolabs-go-smbios/Beelink-EQ12.dmidecode-3.4-generated.txt"))},
    };
    for (const auto &[name, dmidecode] : split)
        tables.append({name, fileBytes(layout + name + QStringLiteral("/smbios_entry_point")),
                       fileBytes(layout + name + QStringLiteral("/DMI")), dmidecode});

    // Bare tables, decoded by dmidecode behind an assumed 3.0 entry point.
    const QStringList bare = {
        QStringLiteral("siderolabs-go-smbios/ASRock-Single-Ryzen.dmi"),
        QStringLiteral("siderolabs-go-smbios/Dell-PowerEdge-R630-Dual-Xeon.dmi"),
        QStringLiteral("siderolabs-go-smbios/HyperV.dmi"),
        QStringLiteral("siderolabs-go-smbios/SuperMicro-Dual-Xeon.dmi"),
        QStringLiteral("siderolabs-go-smbios/SuperMicro-Quad-Opteron.dmi"),
        QStringLiteral("nerves-boardid/DMI-amd"),
        QStringLiteral("nerves-boardid/DMI-upboard"),
    };
    for (const QString &relative : bare) {
        const QByteArray table = fileBytes(smbios + relative);
        QString dmidecode = smbios + relative;
        if (dmidecode.endsWith(QLatin1String(".dmi")))
            dmidecode.chop(4);
        tables.append({QFileInfo(relative).completeBaseName(), smbios3EntryPoint(3, 0, quint32(table.size())), table,
                       dmidecode + QStringLiteral(".dmidecode-3.4-generated.txt")});
    }

    // Windows' form: an 8-byte header (calling method, major, minor, revision,
    // length) before the table.
    const QByteArray rsmb = fileBytes(smbios + QStringLiteral("smbios-lib/jeffgerlap_3_2_0.dat"));
    if (rsmb.size() > 8) {
        const QByteArray table = rsmb.mid(8, littleEndian32(rsmb, 4));
        tables.append({QStringLiteral("jeffgerlap_3_2_0"), smbios3EntryPoint(rsmb[1], rsmb[2], quint32(table.size())),
                       table, smbios + QStringLiteral("smbios-lib/jeffgerlap_3_2_0.dmidecode-3.4-generated.txt")});
    }
    return tables;
}

} // namespace testing
