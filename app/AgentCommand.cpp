#include "AgentCommand.h"

#include "SourceFactory.h"

#include "fleet/AgentRun.h"
#include "inventory/linux/LinuxSource.h"
#include "report/ocs/AgentDocumentBuilder.h"

#include <cstdio>

namespace app {

int runAgentCommand(const CommandLine &line)
{
    fleet::AgentOptions options;
    options.server = QUrl(line.sendUrl);
    options.saveTarget = line.ocsTarget;
    options.caFile = line.caFile;
    options.timeoutSeconds = line.timeoutSeconds;
    options.stateFolder = line.stateDir;
    options.tag = line.ocsTag;
    options.scheduled = line.scheduled;
    options.force = line.force;
    const auto say = [](const QString &message) { std::fprintf(stderr, "vantorix: %s\n", qPrintable(message)); };
    if (line.fileToOpen.isEmpty()) {
        options.thisMachine = inventory::linuxsource::MachineRoot(line.root).isLiveSystem();
        const fleet::AgentRun run(options, say, say);
        return int(run.run(inventory::linuxsource::LinuxSource::instrumentation(line.root), line.root));
    }
    // A recorded machine is reported from its record alone: what the record
    // does not keep stays out of the document rather than coming from the
    // machine that sends it.
    std::shared_ptr<const inventory::snapshot::InventoryRecord> record;
    try {
        record = readRecordFile(line.fileToOpen);
    } catch (const inventory::Failure &failure) {
        say(failure.description());
        return int(fleet::AgentExit::Failed);
    }
    options.thisMachine = false;
    const fleet::AgentRun run(options, say, say);
    return int(run.run(inventory::snapshot::recordInstrumentation(record), report::ocs::recordedHostFacts(record->hostName)));
}

} // namespace app
