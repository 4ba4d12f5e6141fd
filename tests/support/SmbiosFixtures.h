#pragma once

// Real SMBIOS tables from ../shared/realdata with the dmidecode text of the
// same bytes, and the pieces to put a table below a machine root.
#include "support/Fixtures.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace testing {

// One structure as dmidecode printed it.
struct DmiRecord
{
    int type = -1;
    QString title;
    QList<QPair<QString, QString>> fields;
    // The value of "Key: value", untouched; empty when the key is missing.
    QString value(const QString &key) const;
    // Every value of a key that repeats (the devices of one type 10 record).
    QStringList values(const QString &key) const;
    bool has(const QString &key) const;
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

// A 64-bit entry point announcing a table of length bytes.
QByteArray smbios3EntryPoint(int major, int minor, quint32 length);

// Puts the table where the kernel shows it: sys/firmware/dmi/tables.
void writeTable(FixtureTree &tree, const QByteArray &entryPoint, const QByteArray &table);

} // namespace testing
