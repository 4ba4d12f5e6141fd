#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace inventory::linuxsource {

// /proc/sys/dev/cdrom/info: one column per drive ("drive name: sr1 sr0"),
// one row per capability ("Can write DVD-R: 0 1"). Returns, per drive name,
// its row values ("Can write DVD-R" -> "1").
QHash<QString, QHash<QString, QString>> parseCdromInfo(const QByteArray &text);

} // namespace inventory::linuxsource
