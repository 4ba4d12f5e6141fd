#include "fleet/AgentRun.h"

#include "fleet/AgentState.h"
#include "fleet/Compression.h"
#include "fleet/OcsClient.h"
#include "fleet/ServerAnswer.h"

#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/system/HostFacts.h"
#include "report/WriteTextFile.h"
#include "report/ocs/AgentDocumentBuilder.h"

#include <QDir>
#include <QLockFile>

namespace fleet {

namespace {

using report::ocs::AgentDocument;

const QString Tag = QStringLiteral("TAG");
constexpr int LockSlackMs = 10000;

AgentExit exitFor(Exchange::Outcome outcome)
{
    switch (outcome) {
    case Exchange::Outcome::Answered: return AgentExit::Done;
    case Exchange::Outcome::Unreachable: return AgentExit::Unreachable;
    case Exchange::Outcome::TimedOut: return AgentExit::TimedOut;
    case Exchange::Outcome::Untrusted: return AgentExit::Untrusted;
    case Exchange::Outcome::HttpError: return AgentExit::Rejected;
    case Exchange::Outcome::TooLarge:
    case Exchange::Outcome::NoAnswer: return AgentExit::BadAnswer;
    case Exchange::Outcome::Failed: return AgentExit::Unreachable;
    }
    return AgentExit::Failed;
}

// A machine read from elsewhere is known by what names it uniquely.
QString identityOf(const AgentDocument &document)
{
    const report::ocs::Section *hardware = document.first(QStringLiteral("HARDWARE"));
    const report::ocs::Section *bios = document.first(QStringLiteral("BIOS"));
    if (hardware && !hardware->value(QStringLiteral("UUID")).isEmpty())
        return QStringLiteral("uuid:") + hardware->value(QStringLiteral("UUID"));
    if (bios && !bios->value(QStringLiteral("SSN")).isEmpty())
        return QStringLiteral("serial:") + bios->value(QStringLiteral("SSN"));
    return QStringLiteral("name:") + (hardware ? hardware->value(QStringLiteral("NAME")) : QString());
}

QString newDeviceId(const AgentState &state, const QString &hostName)
{
    // Two machines made in one second under one name must not share an id.
    QDateTime when = QDateTime::currentDateTime();
    QString id = makeDeviceId(hostName, when);
    while (state.usesDeviceId(id)) {
        when = when.addSecs(1);
        id = makeDeviceId(hostName, when);
    }
    return id;
}

void setAccountField(std::vector<std::pair<QString, QString>> &fields, const QString &key, const QString &value)
{
    for (auto &[name, text] : fields)
        if (name == key) {
            text = value;
            return;
        }
    fields.emplace_back(key, value);
}

} // namespace

QByteArray AgentRun::userAgent()
{
    // The server lets a PROLOG through only from agents it knows, by name
    // and protocol version; this one speaks version 2.8 of the Unix agents'
    // protocol and says what it is after that.
    return QByteArrayLiteral("OCS-NG_unified_unix_agent_v2.8 Vantorix/" VANTORIX_VERSION);
}

AgentExit AgentRun::run(const inventory::Instrumentation &instrumentation, const QString &machineRoot) const
{
    std::optional<inventory::linuxsource::HostFacts> host;
    try {
        host = inventory::linuxsource::HostFacts::read(inventory::linuxsource::MachineRoot(machineRoot));
    } catch (const inventory::Failure &failure) {
        m_complain(QStringLiteral("cannot read the inventory: %1").arg(failure.description()));
        return AgentExit::Failed;
    }
    return run(instrumentation, host);
}

AgentExit AgentRun::run(const inventory::Instrumentation &instrumentation,
                        const std::optional<inventory::linuxsource::HostFacts> &host) const
{
    const bool sending = !m_options.server.isEmpty();
    AgentDocument document;
    try {
        document = report::ocs::buildAgentDocument(instrumentation, host);
    } catch (const inventory::Failure &failure) {
        m_complain(QStringLiteral("cannot read the inventory: %1").arg(failure.description()));
        return AgentExit::Failed;
    }
    const report::ocs::Section *hardware = document.first(QStringLiteral("HARDWARE"));
    const QString name = hardware ? hardware->value(QStringLiteral("NAME")) : QString();

    // The DEVICEID is kept before anything is sent: a machine sent under an
    // id that is then lost would come back as a second machine.
    AgentState state(m_options.stateFolder.isEmpty() ? AgentState::defaultFolder() : m_options.stateFolder);
    // Two runs at once (the timer and an admin) would each make an id and
    // keep only one; the second waits for the first instead.
    QDir().mkpath(state.folder());
    QLockFile lock(state.folder() + QStringLiteral("/agent.lock"));
    const int lockWaitMs = 2 * m_options.timeoutSeconds * 1000 + LockSlackMs;
    if (!lock.tryLock(lockWaitMs) && sending) {
        m_complain(QStringLiteral("the state folder %1 is in use by another run, or not writable; nothing was sent").arg(state.folder()));
        return AgentExit::StateUnusable;
    }
    const QString key = m_options.thisMachine ? AgentState::ThisMachine : identityOf(document);
    QString error;
    bool stateUsable = state.load(&error);
    std::optional<MachineState> machine = stateUsable ? state.machine(key) : std::nullopt;
    if (!machine) {
        machine = MachineState{newDeviceId(state, name), {}};
        if (stateUsable) {
            state.setMachine(key, *machine);
            stateUsable = state.save(&error);
        }
    }
    if (!stateUsable) {
        if (sending) {
            m_complain(QStringLiteral("%1; nothing was sent").arg(error));
            return AgentExit::StateUnusable;
        }
        m_complain(QStringLiteral("%1; the document carries a DEVICEID that is not kept").arg(error));
    }

    std::vector<std::pair<QString, QString>> account = machine->accountInfo;
    if (!m_options.tag.isEmpty())
        setAccountField(account, Tag, m_options.tag);
    for (const auto &[field, value] : account)
        document.add(QStringLiteral("ACCOUNTINFO")).text(QStringLiteral("KEYNAME"), field).text(QStringLiteral("KEYVALUE"), value);
    const QByteArray inventory = report::ocs::inventoryRequest(document, machine->deviceId);

    bool saveFailed = false;
    if (!m_options.saveTarget.isEmpty()) {
        try {
            if (m_options.saveTarget == QLatin1String("-"))
                report::WriteTextToStandardOutput(QString::fromUtf8(inventory));
            else
                report::WriteTextFile(QString::fromUtf8(inventory), m_options.saveTarget);
        } catch (const inventory::Failure &failure) {
            m_complain(failure.description());
            saveFailed = true;
        }
    }
    if (!sending)
        return saveFailed ? AgentExit::Failed : AgentExit::Done;
    if (m_options.scheduled && !m_options.force) {
        if (const QDateTime due = machine->nextDue(); due.isValid()) {
            m_inform(QStringLiteral("not due: the last inventory of %1 was stored %2 and the server wants one every %3 hours; "
                                    "nothing is sent before %4 (--force sends now)")
                         .arg(name, machine->lastStored.toLocalTime().toString(Qt::ISODate))
                         .arg(*machine->prologFrequencyHours)
                         .arg(due.toLocalTime().toString(Qt::ISODate)));
            return saveFailed ? AgentExit::Failed : AgentExit::Done;
        }
    }

    OcsClient client({m_options.server, m_options.caFile, m_options.timeoutSeconds * 1000, MaxAnswerBytes, userAgent()});
    if (!client.loadCertificates(&error)) {
        m_complain(error);
        return AgentExit::Usage;
    }
    const QString where = m_options.server.toDisplayString(QUrl::RemoveUserInfo);

    const Exchange prolog = client.post(zlibCompress(report::ocs::prologRequest(machine->deviceId)));
    if (prolog.outcome != Exchange::Outcome::Answered) {
        m_complain(prolog.message + QStringLiteral("; no inventory was sent"));
        return exitFor(prolog.outcome);
    }
    const ParsedAnswer prologAnswer = parseServerAnswer(prolog.body);
    if (!prologAnswer.answer) {
        m_complain(QStringLiteral("%1: %2; no inventory was sent").arg(where, prologAnswer.error));
        return AgentExit::BadAnswer;
    }
    if (prologAnswer.answer->response == QLatin1String("STOP")) {
        m_complain(QStringLiteral("%1 asks for no inventory now (STOP); none was sent").arg(where));
        return AgentExit::Stopped;
    }
    if (prologAnswer.answer->response != QLatin1String("SEND")) {
        m_complain(QStringLiteral("%1 answered '%2' where SEND or STOP was expected; no inventory was sent")
                       .arg(where, prologAnswer.answer->response));
        return AgentExit::BadAnswer;
    }

    const Exchange sent = client.post(zlibCompress(inventory));
    if (sent.outcome != Exchange::Outcome::Answered) {
        m_complain(sent.message + QStringLiteral("; the inventory may not have been stored"));
        return exitFor(sent.outcome);
    }
    const ParsedAnswer stored = parseServerAnswer(sent.body);
    if (!stored.answer) {
        m_complain(QStringLiteral("%1: %2 after the inventory").arg(where, stored.error));
        return AgentExit::BadAnswer;
    }
    m_inform(QStringLiteral("inventory of %1 sent to %2 as %3 (%4 bytes)")
                 .arg(name, where, machine->deviceId).arg(sent.bytesSent));
    if (stored.answer->response == QLatin1String("ACCOUNT_UPDATE"))
        machine->accountInfo = stored.answer->accountInfo;
    if (prologAnswer.answer->prologFrequencyHours)
        machine->prologFrequencyHours = prologAnswer.answer->prologFrequencyHours;
    machine->lastStored = QDateTime::currentDateTimeUtc();
    state.setMachine(key, *machine);
    if (!state.save(&error)) {
        m_complain(QStringLiteral("%1; the server's account fields and the time of this inventory were not kept").arg(error));
        return AgentExit::StateUnusable;
    }
    return saveFailed ? AgentExit::Failed : AgentExit::Done;
}

} // namespace fleet
