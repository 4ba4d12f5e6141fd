#include "fleet/AgentState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

#include <unistd.h>

namespace fleet {

namespace {

constexpr int FormatVersion = 1;
// A state file is a few hundred bytes; anything far larger is not ours.
constexpr qint64 MaxStateBytes = 4 * 1024 * 1024;
constexpr qsizetype MaxHostPart = 64;
const QString FileName = QStringLiteral("agent.json");

QJsonObject toJson(const MachineState &state)
{
    QJsonArray account;
    for (const auto &[key, value] : state.accountInfo)
        account.append(QJsonObject{{QStringLiteral("key"), key}, {QStringLiteral("value"), value}});
    QJsonObject object{{QStringLiteral("deviceId"), state.deviceId}, {QStringLiteral("accountInfo"), account}};
    if (state.prologFrequencyHours)
        object.insert(QStringLiteral("prologFrequencyHours"), *state.prologFrequencyHours);
    if (state.lastStored.isValid())
        object.insert(QStringLiteral("lastStored"), state.lastStored.toUTC().toString(Qt::ISODate));
    return object;
}

std::optional<MachineState> fromJson(const QJsonObject &object)
{
    MachineState state;
    state.deviceId = object.value(QStringLiteral("deviceId")).toString();
    if (!isValidDeviceId(state.deviceId))
        return std::nullopt;
    // A damaged schedule only makes the next run due; the DEVICEID is what matters.
    const int hours = object.value(QStringLiteral("prologFrequencyHours")).toInt(0);
    if (hours > 0)
        state.prologFrequencyHours = hours;
    const QDateTime stored = QDateTime::fromString(object.value(QStringLiteral("lastStored")).toString(), Qt::ISODate);
    if (stored.isValid())
        state.lastStored = stored.toUTC();
    for (const QJsonValue &field : object.value(QStringLiteral("accountInfo")).toArray()) {
        const QString key = field.toObject().value(QStringLiteral("key")).toString();
        if (!key.isEmpty())
            state.accountInfo.emplace_back(key, field.toObject().value(QStringLiteral("value")).toString());
    }
    return state;
}

} // namespace

QDateTime MachineState::nextDue() const
{
    if (!prologFrequencyHours || !lastStored.isValid())
        return {};
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // A server asking for one inventory in years must not silence a machine for good.
    constexpr qint64 MaxHours = 24 * 366;
    const QDateTime next = lastStored.addSecs(std::min<qint64>(*prologFrequencyHours, MaxHours) * 3600);
    // A clock set back past the last send must not hold the machine back for ever.
    return lastStored <= now && now < next ? next : QDateTime();
}

QString AgentState::defaultFolder()
{
    if (::geteuid() == 0)
        return QStringLiteral("/var/lib/vantorix");
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/vantorix");
}

QString AgentState::filePath() const
{
    return m_folder + QLatin1Char('/') + FileName;
}

bool AgentState::load(QString *error)
{
    m_machines.clear();
    QFile file(filePath());
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(filePath(), file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(MaxStateBytes + 1);
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (bytes.size() > MaxStateBytes || parseError.error != QJsonParseError::NoError || !document.isObject()
        || document.object().value(QStringLiteral("format")).toInt() != FormatVersion) {
        *error = QStringLiteral("%1 is no state file of this program; move it away to start afresh "
                                "(the server will then see a new machine)").arg(filePath());
        return false;
    }
    const QJsonObject machines = document.object().value(QStringLiteral("machines")).toObject();
    for (auto it = machines.begin(); it != machines.end(); ++it)
        if (const std::optional<MachineState> state = fromJson(it.value().toObject()))
            m_machines[it.key()] = *state;
    return true;
}

bool AgentState::save(QString *error) const
{
    if (!QDir().mkpath(m_folder)) {
        *error = QStringLiteral("cannot make the state folder %1").arg(m_folder);
        return false;
    }
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QJsonObject machines;
    for (const auto &[key, state] : m_machines)
        machines.insert(key, toJson(state));
    const QByteArray bytes = QJsonDocument(QJsonObject{{QStringLiteral("format"), FormatVersion},
                                                       {QStringLiteral("machines"), machines}})
                                 .toJson();
    QSaveFile file(filePath());
    // Unbuffered: each write reports a full disk itself, before commit()
    // could rename a cut file into place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = QStringLiteral("cannot write %1: %2").arg(filePath(), file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        *error = QStringLiteral("cannot write %1: %2").arg(filePath(), file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(filePath(), file.errorString());
        return false;
    }
    return true;
}

std::optional<MachineState> AgentState::machine(const QString &key) const
{
    const auto found = m_machines.find(key);
    return found == m_machines.end() ? std::nullopt : std::optional<MachineState>(found->second);
}

void AgentState::setMachine(const QString &key, const MachineState &state)
{
    m_machines[key] = state;
}

bool AgentState::usesDeviceId(const QString &deviceId) const
{
    for (const auto &[key, state] : m_machines)
        if (state.deviceId == deviceId)
            return true;
    return false;
}

QString makeDeviceId(const QString &hostName, const QDateTime &when)
{
    QString host;
    for (const QChar c : hostName.section(QLatin1Char('.'), 0, 0))
        if (c.isLetterOrNumber() && c.unicode() < 128)
            host.append(c);
        else if (c == QLatin1Char('-') || c == QLatin1Char('_'))
            host.append(c);
    if (host.isEmpty())
        host = QStringLiteral("localhost");
    return host.left(MaxHostPart) + when.toString(QStringLiteral("-yyyy-MM-dd-HH-mm-ss"));
}

bool isValidDeviceId(const QString &deviceId)
{
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9._-]+-\\d{4}(-\\d{2}){5}$"));
    return form.match(deviceId).hasMatch();
}

} // namespace fleet
