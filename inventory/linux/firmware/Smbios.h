#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace inventory::linuxsource {

class MachineRoot;

struct SmbiosVersion
{
    int major = 0;
    int minor = 0;
    bool operator==(const SmbiosVersion &) const = default;
};

// What an entry point says about the table it announces.
struct SmbiosEntryPoint
{
    SmbiosVersion version;
    quint64 tableAddress = 0;
    // 2.x: the exact length; 3.x: an upper bound.
    quint32 tableLength = 0;
    // 2.x only: how many structures the table holds.
    std::optional<quint16> structureCount;
    bool is64Bit = false;
};

// One structure of the table: the formatted area (header included, so offsets
// read as in the SMBIOS reference) and its strings, as a view into the table's
// bytes, which every structure of a table shares. Every accessor checks the
// offset against the formatted length: a field the firmware did not write is
// no value.
class SmbiosStructure
{
public:
    quint8 type() const { return quint8(m_table[m_start]); }
    int length() const { return m_length; }
    quint16 handle() const { return quint16(quint8(m_table[m_start + 2]) | quint8(m_table[m_start + 3]) << 8); }

    std::optional<quint8> byte(int offset) const;
    std::optional<quint16> word(int offset) const;
    std::optional<quint32> dword(int offset) const;
    std::optional<quint64> qword(int offset) const;
    // The string whose number is stored at offset; none for number 0, a number
    // past the string set, or a blank string. Padding is kept.
    std::optional<QString> string(int offset) const;
    // String number n (1-based) of the set.
    std::optional<QString> stringAt(int n) const;
    // The whole set in one pass, blank strings as empty texts (a set may hold
    // thousands: looking each up by number would cost their square).
    QStringList strings() const;

private:
    friend std::vector<SmbiosStructure> parseSmbiosStructures(QByteArrayView, std::optional<quint16>);
    // The parser guarantees start + 4 <= start + length <= stringsEnd <= table size.
    SmbiosStructure(QByteArray table, qsizetype start, int length, qsizetype stringsEnd)
        : m_table(std::move(table)), m_start(start), m_length(length), m_stringsEnd(stringsEnd) {}
    // The set's strings, each ending at a NUL or at stringsEnd: calls visit(number,
    // start, end) until it returns true.
    template<typename Visit>
    void eachString(Visit visit) const;

    QByteArray m_table;
    qsizetype m_start = 0;
    int m_length = 0;
    qsizetype m_stringsEnd = 0;
};

struct SmbiosTable
{
    // From the entry point; unknown when none was readable.
    std::optional<SmbiosVersion> version;
    std::vector<SmbiosStructure> structures;

    bool isEmpty() const { return structures.empty(); }
    std::vector<const SmbiosStructure *> ofType(quint8 type) const;
    const SmbiosStructure *first(quint8 type) const;
    const SmbiosStructure *byHandle(quint16 handle) const;
};

// The entry point at the start of bytes ("_SM3_", "_SM_" or the legacy
// "_DMI_"), when its length and checksum hold.
std::optional<SmbiosEntryPoint> parseSmbiosEntryPoint(QByteArrayView bytes);

// The structures of a table. Reading stops at the end-of-table structure, after
// count structures when the entry point gave one, at a structure whose header
// claims fewer than 4 bytes, or at one whose string set does not end inside the
// bytes; everything before that is kept.
std::vector<SmbiosStructure> parseSmbiosStructures(QByteArrayView table,
                                                   std::optional<quint16> count = std::nullopt);

// A table with its entry point in front of it, as `dmidecode --dump-bin` writes
// it: the table sits where the entry point says. Bytes without an entry point
// are read as a bare table.
SmbiosTable parseSmbiosDump(QByteArrayView bytes);

// The machine's table: sys/firmware/dmi/tables/{smbios_entry_point,DMI}, or,
// where only those are readable, the kernel's per-structure copies in
// sys/firmware/dmi/entries/*/raw. Both are readable by root only, so for other
// users the result is empty.
SmbiosTable readSmbiosTable(const MachineRoot &root);

} // namespace inventory::linuxsource
