#pragma once

#include <QString>
#include <QStringList>

namespace inventory {

// The computer itself; queried before, and apart from, the catalogue.
inline const QString ComputerClass = QStringLiteral("Win32_ComputerSystem");

// The 56 hardware classes the scan queries, in the order the tree shows them.
QStringList deviceCatalogue();

// "Win32_CDROMDrive" -> "CDROMDrive": the text of a category node.
QString categoryText(const QString &className);

} // namespace inventory
