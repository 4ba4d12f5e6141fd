#include "AgentCommand.h"

#include "fleet/AgentRun.h"
#include "inventory/linux/LinuxSource.h"

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
    options.thisMachine = inventory::linuxsource::MachineRoot(line.root).isLiveSystem();
    const auto say = [](const QString &message) { std::fprintf(stderr, "vantorix: %s\n", qPrintable(message)); };
    const fleet::AgentRun run(options, say, say);
    return int(run.run(inventory::linuxsource::LinuxSource::instrumentation(line.root), line.root));
}

} // namespace app
