#pragma once

#include <QDateTime>
#include <QString>

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace fleet {

// What the agent keeps between runs for one machine: the DEVICEID the server
// knows it by, the administrative fields the server last gave it, how often
// the server wants an inventory (PROLOG_FREQ), and when one was last stored.
struct MachineState
{
    QString deviceId;
    std::vector<std::pair<QString, QString>> accountInfo;
    std::optional<int> prologFrequencyHours;
    QDateTime lastStored; // UTC; invalid when never

    // When a scheduled run is due again; invalid when it is due now.
    QDateTime nextDue() const;
};

// The state file (agent.json in the state folder). The machine this runs on
// has the key ThisMachine, so a host rename keeps its DEVICEID; a machine
// read from elsewhere (a captured tree, an inventory file) is keyed by its
// identity. Written whole to a temporary file and renamed over the old one:
// a full disk or a crash leaves the previous state, never half of one.
class AgentState
{
public:
    static inline const QString ThisMachine = QStringLiteral("this machine");

    // The user's state folder ($XDG_STATE_HOME/vantorix, ~/.local/state/vantorix),
    // /var/lib/vantorix for root.
    static QString defaultFolder();

    explicit AgentState(QString folder) : m_folder(std::move(folder)) {}

    const QString &folder() const { return m_folder; }
    QString filePath() const;

    // Reads the file; a missing file is an empty state. False with a reason
    // when the file exists but cannot be read or is no state of ours: then
    // nothing must be sent, or the server would get a second machine.
    bool load(QString *error);
    // False with a reason when the state could not be written.
    bool save(QString *error) const;

    std::optional<MachineState> machine(const QString &key) const;
    void setMachine(const QString &key, const MachineState &state);
    bool usesDeviceId(const QString &deviceId) const;

private:
    QString m_folder;
    std::map<QString, MachineState> m_machines;
};

// "<host>-YYYY-MM-DD-hh-mm-ss", the form the server accepts; the host part is
// the short host name in ASCII letters, digits, dashes and underscores.
QString makeDeviceId(const QString &hostName, const QDateTime &when);
bool isValidDeviceId(const QString &deviceId);

} // namespace fleet
