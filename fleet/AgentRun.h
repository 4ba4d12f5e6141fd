#pragma once

#include "inventory/Instrumentation.h"
#include "inventory/linux/system/HostFacts.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

namespace fleet {

// The exit statuses of a run, one per way it can end, so that a timer or a
// script can tell a server that said "not now" from one that is down.
enum class AgentExit : int {
    Done = 0,
    Failed = 1,        // the inventory could not be read, or the file not written
    Usage = 2,         // a wrong command line or an unusable --ca-file
    Stopped = 3,       // the server asked for no inventory now (STOP); nothing was sent
    Unreachable = 4,   // refused, no such host, no route
    TimedOut = 5,      // no answer within the timeout
    Untrusted = 6,     // the server's certificate was not trusted
    Rejected = 7,      // the server answered with an HTTP error
    BadAnswer = 8,     // no answer, an answer too large, or one that is no OCS reply
    StateUnusable = 9, // the state folder could not keep the DEVICEID
};

struct AgentOptions
{
    QUrl server;         // empty: nothing is sent
    QString saveTarget;  // "" for none, "-" for standard output
    QString caFile;
    int timeoutSeconds = 60;
    QString stateFolder; // "" for AgentState::defaultFolder()
    QString tag;         // the administrative tag to send (--ocs-tag)
    // The machine data is this machine's own (not a captured tree or a file):
    // its DEVICEID then survives a host rename.
    bool thisMachine = true;
    // A run of a schedule (the timer): nothing is sent while the last stored
    // inventory is younger than the server's PROLOG_FREQ, unless forced.
    bool scheduled = false;
    bool force = false;
};

// Builds the agent document of a machine and saves it, sends it, or both.
// Sending is the protocol of the stock agents: a PROLOG, and the inventory
// only when the server answers SEND; the account fields and the PROLOG_FREQ
// the server returns, and the time of each stored inventory, are kept for
// the next run. Each request is made once.
class AgentRun
{
public:
    using Say = std::function<void(const QString &message)>;

    AgentRun(AgentOptions options, Say complain, Say inform)
        : m_options(std::move(options)), m_complain(std::move(complain)), m_inform(std::move(inform)) {}

    // machineRoot: the folder the machine's files are read from. Needs a
    // QCoreApplication when sending.
    AgentExit run(const inventory::Instrumentation &instrumentation, const QString &machineRoot) const;
    // host: the facts beside the classes, or none; for a recorded machine
    // only what its record says, never this machine's.
    AgentExit run(const inventory::Instrumentation &instrumentation,
                  const std::optional<inventory::linuxsource::HostFacts> &host) const;

    static QByteArray userAgent();

private:
    AgentOptions m_options;
    Say m_complain;
    Say m_inform;
};

} // namespace fleet
