#include "inventory/linux/firmware/Smbios.h"

#include "inventory/linux/reading/MachineRoot.h"

#include <algorithm>

namespace inventory::linuxsource {

namespace {

// Real tables are a few kilobytes (a VM with hundreds of slots: 29 KB); the cap
// only bounds what a broken or hostile file can cost.
constexpr qsizetype TableReadCap = 1024 * 1024;
constexpr qsizetype EntryPointReadCap = 64;
constexpr quint8 EndOfTable = 127;
constexpr int HeaderLength = 4;

quint8 at(QByteArrayView bytes, qsizetype i) { return quint8(bytes[i]); }

quint64 littleEndian(QByteArrayView bytes, qsizetype offset, int size)
{
    quint64 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | at(bytes, offset + i);
    return value;
}

bool checksumHolds(QByteArrayView bytes, qsizetype length)
{
    quint8 sum = 0;
    for (qsizetype i = 0; i < length; ++i)
        sum = quint8(sum + at(bytes, i));
    return sum == 0;
}

std::optional<SmbiosEntryPoint> entryPoint3(QByteArrayView b)
{
    constexpr qsizetype Minimum = 0x18;
    if (b.size() < Minimum)
        return std::nullopt;
    const qsizetype length = at(b, 0x06);
    if (length < Minimum || length > 0x20 || length > b.size() || !checksumHolds(b, length))
        return std::nullopt;
    SmbiosEntryPoint ep;
    ep.version = {at(b, 0x07), at(b, 0x08)};
    ep.tableLength = quint32(littleEndian(b, 0x0C, 4));
    ep.tableAddress = littleEndian(b, 0x10, 8);
    ep.is64Bit = true;
    return ep;
}

std::optional<SmbiosEntryPoint> entryPoint2(QByteArrayView b)
{
    constexpr qsizetype Minimum = 0x1F;
    if (b.size() < Minimum)
        return std::nullopt;
    // Version 2.1 entry points declare 0x1E although they hold 0x1F bytes.
    const qsizetype length = at(b, 0x05);
    if (length < 0x1E || length > 0x20 || length > b.size() || !checksumHolds(b, length))
        return std::nullopt;
    const QByteArrayView intermediate = b.sliced(0x10, 0x0F);
    if (!intermediate.startsWith("_DMI_") || !checksumHolds(intermediate, intermediate.size()))
        return std::nullopt;
    SmbiosEntryPoint ep;
    ep.version = {at(b, 0x06), at(b, 0x07)};
    // Two well-known firmware slips in the version bytes.
    if (ep.version == SmbiosVersion{2, 33})
        ep.version = {2, 3};
    else if (ep.version == SmbiosVersion{2, 51})
        ep.version = {2, 6};
    ep.tableLength = quint32(littleEndian(b, 0x16, 2));
    ep.tableAddress = littleEndian(b, 0x18, 4);
    ep.structureCount = quint16(littleEndian(b, 0x1C, 2));
    return ep;
}

std::optional<SmbiosEntryPoint> legacyEntryPoint(QByteArrayView b)
{
    constexpr qsizetype Length = 0x0F;
    if (b.size() < Length || !checksumHolds(b, Length))
        return std::nullopt;
    SmbiosEntryPoint ep;
    const quint8 bcd = at(b, 0x0E);
    ep.version = {bcd >> 4, bcd & 0x0F};
    ep.tableLength = quint32(littleEndian(b, 0x06, 2));
    ep.tableAddress = littleEndian(b, 0x08, 4);
    ep.structureCount = quint16(littleEndian(b, 0x0C, 2));
    return ep;
}

SmbiosTable tableAt(QByteArrayView bytes, const std::optional<SmbiosEntryPoint> &ep)
{
    SmbiosTable table;
    if (ep)
        table.version = ep->version;
    QByteArrayView view = bytes;
    if (ep)
        view = view.first(std::min<qsizetype>(view.size(), ep->tableLength));
    table.structures = parseSmbiosStructures(view, ep ? ep->structureCount : std::nullopt);
    return table;
}

// The kernel's copies of single structures, in table order where it says.
std::vector<SmbiosStructure> readEntries(const MachineRoot &root)
{
    const QString base = QStringLiteral("sys/firmware/dmi/entries/");
    struct Entry { qint64 position; int order; QByteArray raw; };
    std::vector<Entry> entries;
    int order = 0;
    for (const QString &name : root.list(base)) {
        const std::optional<QByteArray> raw = root.readBytes(base + name + QStringLiteral("/raw"), TableReadCap);
        if (!raw || raw->isEmpty())
            continue;
        const qint64 position = root.readInteger(base + name + QStringLiteral("/position")).value_or(-1);
        entries.push_back({position, order++, *raw});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        if ((a.position < 0) != (b.position < 0))
            return a.position >= 0;
        return a.position != b.position ? a.position < b.position : a.order < b.order;
    });
    std::vector<SmbiosStructure> structures;
    for (const Entry &entry : entries) {
        std::vector<SmbiosStructure> one = parseSmbiosStructures(entry.raw, 1);
        structures.insert(structures.end(), std::make_move_iterator(one.begin()), std::make_move_iterator(one.end()));
    }
    return structures;
}

} // namespace

std::optional<quint8> SmbiosStructure::byte(int offset) const
{
    if (offset < 0 || offset + 1 > m_length)
        return std::nullopt;
    return at(m_table, m_start + offset);
}

std::optional<quint16> SmbiosStructure::word(int offset) const
{
    if (offset < 0 || offset + 2 > m_length)
        return std::nullopt;
    return quint16(littleEndian(m_table, m_start + offset, 2));
}

std::optional<quint32> SmbiosStructure::dword(int offset) const
{
    if (offset < 0 || offset + 4 > m_length)
        return std::nullopt;
    return quint32(littleEndian(m_table, m_start + offset, 4));
}

std::optional<quint64> SmbiosStructure::qword(int offset) const
{
    if (offset < 0 || offset + 8 > m_length)
        return std::nullopt;
    return littleEndian(m_table, m_start + offset, 8);
}

template<typename Visit>
void SmbiosStructure::eachString(Visit visit) const
{
    qsizetype pos = m_start + m_length;
    for (int number = 1; pos < m_stringsEnd; ++number) {
        // An empty string ends the set: later numbers cannot be reached.
        if (m_table[pos] == '\0')
            return;
        qsizetype end = pos;
        while (end < m_stringsEnd && m_table[end] != '\0')
            ++end;
        if (visit(number, pos, end))
            return;
        pos = end + 1;
    }
}

std::optional<QString> SmbiosStructure::string(int offset) const
{
    const std::optional<quint8> number = byte(offset);
    if (!number)
        return std::nullopt;
    return stringAt(*number);
}

std::optional<QString> SmbiosStructure::stringAt(int n) const
{
    std::optional<QString> found;
    eachString([&](int number, qsizetype start, qsizetype end) {
        if (number != n)
            return false;
        const QString text = cleanText(m_table.sliced(start, end - start));
        if (!text.trimmed().isEmpty())
            found = text;
        return true;
    });
    return found;
}

QStringList SmbiosStructure::strings() const
{
    QStringList all;
    eachString([&](int, qsizetype start, qsizetype end) {
        const QString text = cleanText(m_table.sliced(start, end - start));
        all << (text.trimmed().isEmpty() ? QString() : text);
        return false;
    });
    return all;
}

std::vector<const SmbiosStructure *> SmbiosTable::ofType(quint8 type) const
{
    std::vector<const SmbiosStructure *> found;
    for (const SmbiosStructure &s : structures)
        if (s.type() == type)
            found.push_back(&s);
    return found;
}

const SmbiosStructure *SmbiosTable::first(quint8 type) const
{
    for (const SmbiosStructure &s : structures)
        if (s.type() == type)
            return &s;
    return nullptr;
}

const SmbiosStructure *SmbiosTable::byHandle(quint16 handle) const
{
    for (const SmbiosStructure &s : structures)
        if (s.handle() == handle)
            return &s;
    return nullptr;
}

std::optional<SmbiosEntryPoint> parseSmbiosEntryPoint(QByteArrayView bytes)
{
    if (bytes.startsWith("_SM3_"))
        return entryPoint3(bytes);
    if (bytes.startsWith("_SM_"))
        return entryPoint2(bytes);
    if (bytes.startsWith("_DMI_"))
        return legacyEntryPoint(bytes);
    return std::nullopt;
}

std::vector<SmbiosStructure> parseSmbiosStructures(QByteArrayView view, std::optional<quint16> count)
{
    // One copy of the bytes, shared by every structure read from them.
    const QByteArray table = view.toByteArray();
    std::vector<SmbiosStructure> structures;
    const qsizetype size = table.size();
    qsizetype pos = 0;
    while (pos + HeaderLength <= size && (!count || structures.size() < *count)) {
        const quint8 type = at(table, pos);
        const int length = at(table, pos + 1);
        // A header this short leaves no way to find the next structure.
        if (length < HeaderLength || pos + length > size)
            break;
        if (type == EndOfTable)
            break;
        // The string set ends with the first pair of NULs after the formatted area.
        qsizetype end = pos + length;
        while (end + 1 < size && (at(table, end) != 0 || at(table, end + 1) != 0))
            ++end;
        if (end + 1 >= size)
            break;
        structures.push_back(SmbiosStructure(table, pos, length, end));
        pos = end + 2;
    }
    return structures;
}

SmbiosTable parseSmbiosDump(QByteArrayView bytes)
{
    const std::optional<SmbiosEntryPoint> ep = parseSmbiosEntryPoint(bytes);
    if (!ep)
        return tableAt(bytes, std::nullopt);
    if (ep->tableAddress >= quint64(bytes.size())) {
        SmbiosTable table;
        table.version = ep->version;
        return table;
    }
    return tableAt(bytes.sliced(qsizetype(ep->tableAddress)), ep);
}

SmbiosTable readSmbiosTable(const MachineRoot &root)
{
    const QString tables = QStringLiteral("sys/firmware/dmi/tables/");
    const std::optional<QByteArray> dmi = root.readBytes(tables + QStringLiteral("DMI"), TableReadCap);
    if (dmi && !dmi->isEmpty()) {
        // The kernel hands out the table on its own, so the entry point's
        // address means nothing here; its version, length and count do.
        const std::optional<QByteArray> epBytes
            = root.readBytes(tables + QStringLiteral("smbios_entry_point"), EntryPointReadCap);
        return tableAt(*dmi, epBytes ? parseSmbiosEntryPoint(*epBytes) : std::nullopt);
    }
    SmbiosTable table;
    table.structures = readEntries(root);
    return table;
}

} // namespace inventory::linuxsource
