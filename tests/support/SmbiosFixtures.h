#pragma once

// Real SMBIOS tables from ../shared/realdata with the dmidecode text of the
// same bytes, and the pieces to put a table below a machine root.
#include "support/Fixtures.h"

#include "inventory/Value.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace testing {

// One structure as dmidecode printed it.
struct DmiRecord
{
    int type = -1;
    QString title;
    QList<QPair<QString, QString>> fields;
    // The indented items under a heading such as "Characteristics:".
    QMap<QString, QStringList> lists;
    // The value of "Key: value", untouched; empty when the key is missing.
    QString value(const QString &key) const;
    // Every value of a key that repeats (the devices of one type 10 record).
    QStringList values(const QString &key) const;
    bool has(const QString &key) const;
    QStringList items(const QString &key) const { return lists.value(key); }
};

// dmidecode's text: one record per "Handle 0x..., DMI type N, M bytes" block.
QList<DmiRecord> readDmidecodeText(const QString &path);
QList<DmiRecord> ofType(const QList<DmiRecord> &records, int type);

struct RealTable
{
    QString name;
    QByteArray entryPoint;
    QByteArray table;
    QString dmidecodeText;
};

// Every table of ../shared/realdata that has dmidecode text beside it. Bare
// tables get the entry point their dmidecode text was made with.
QList<RealTable> realTables();
std::optional<RealTable> realTable(const QString &name);
// Data rows "entryPoint", "table" and "dmidecodeText", one per real table.
void addRealTableRows();

// A 64-bit entry point announcing a table of length bytes.
QByteArray smbios3EntryPoint(int major, int minor, quint32 length);

// Puts the table where the kernel shows it: sys/firmware/dmi/tables.
void writeTable(FixtureTree &tree, const QByteArray &entryPoint, const QByteArray &table);

// A structure's bytes: header, fields after the header, strings.
QByteArray smbiosStructure(quint8 type, quint16 handle, const QByteArray &fields, const QList<QByteArray> &strings = {});
// The fields of a structure of the given length, with bytes written at their
// SMBIOS offsets (counted from the header's start) and zeros elsewhere.
QByteArray smbiosFields(int length, const QList<QPair<int, QByteArray>> &values);
QByteArray littleEndian(quint64 value, int bytes);

// Every instance of a class below a machine root, its properties by name.
using Object = QMap<QString, inventory::Value>;
std::vector<Object> objects(const QString &root, const char *className);
// A property's text; empty when the instance has none.
QString text(const Object &object, const char *name);

} // namespace testing
