#include "SourceFactory.h"

#include "inventory/capture/CaptureInventory.h"
#include "inventory/MachineSource.h"
#include "inventory/snapshot/InventoryFile.h"

#include <QFile>
#include <QFileInfo>

namespace app {

using namespace inventory::snapshot;

namespace {

bool isCapture(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    // The inventory file's own name ending decides before the content.
    if (!info.isFile() || info.fileName().endsWith(InventoryFile::Extension)
        || !inventory::capture::classFromFileName(info.fileName()))
        return false;
    // An inventory file saved as "Win32_Processor.json" is still one.
    QFile file(path);
    return !file.open(QIODevice::ReadOnly) || !InventoryFile::looksLikeInventory(file.read(1024));
}

} // namespace

Source machineSource(const QString &root)
{
    // Windows' machine is read through WMI, which has a namespace, not a folder.
    const Origin origin = inventory::MachineSource::readsRoot()
        ? Origin{QStringLiteral("linux"), root}
        : Origin{QStringLiteral("windows"), QStringLiteral("ROOT\\CIMV2")};
    return {inventory::MachineSource::instrumentation(root), origin, nullptr};
}

std::shared_ptr<const InventoryRecord> readRecordFile(const QString &path)
{
    if (isCapture(path))
        return std::make_shared<const InventoryRecord>(inventory::capture::readCaptureInventory(path));
    return std::make_shared<const InventoryRecord>(InventoryFile::read(path));
}

Source fileSource(const QString &path)
{
    std::shared_ptr<const InventoryRecord> record = readRecordFile(path);
    return {recordInstrumentation(record), record->origin, record};
}

} // namespace app
