#pragma once

#include "inventory/Instrumentation.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace inventory::linuxsource {

// A print queue's IPP attributes as CUPS reports them, each as its values'
// text ("printer-state" -> {"3"}, "printer-is-shared" -> {"true"},
// "printer-resolution-default" -> {"600x600"} in dots per inch).
using PrinterAttributes = QHash<QString, QStringList>;

// The Win32_Printer properties of a queue. defaultPrinter is the user's
// default destination, which CUPS resolves from LPDEST, PRINTER, lpoptions
// and the server's default.
Properties printerProperties(const PrinterAttributes &attributes, const QString &defaultPrinter,
                             const QString &systemName);

} // namespace inventory::linuxsource
