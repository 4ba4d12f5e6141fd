#pragma once

#include "CommandLine.h"

namespace app {

// --send and --save-ocs: the agent of an inventory server, without a window.
// Returns the exit status (see fleet::AgentExit).
int runAgentCommand(const CommandLine &line);

} // namespace app
