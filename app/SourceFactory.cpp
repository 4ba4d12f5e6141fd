#include "SourceFactory.h"

#include "inventory/linux/LinuxSource.h"
#include "inventory/snapshot/InventoryFile.h"

namespace app {

using namespace inventory::snapshot;

Source machineSource(const QString &root)
{
    return {inventory::linuxsource::LinuxSource::instrumentation(root), Origin{QStringLiteral("linux"), root}, nullptr};
}

std::shared_ptr<const InventoryRecord> readRecordFile(const QString &path)
{
    return std::make_shared<const InventoryRecord>(InventoryFile::read(path));
}

Source fileSource(const QString &path)
{
    std::shared_ptr<const InventoryRecord> record = readRecordFile(path);
    return {recordInstrumentation(record), record->origin, record};
}

} // namespace app
