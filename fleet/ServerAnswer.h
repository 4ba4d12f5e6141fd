#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace fleet {

// What an OCS Inventory server answered (the REPLY document), with only the
// parts an agent acts on.
struct ServerAnswer
{
    QString response; // SEND, STOP, ACCOUNT_UPDATE, NO_ACCOUNT_UPDATE, ...
    std::optional<int> prologFrequencyHours;
    // The administrative fields the server keeps for the machine (TAG, ...).
    std::vector<std::pair<QString, QString>> accountInfo;
};

struct ParsedAnswer
{
    std::optional<ServerAnswer> answer;
    QString error; // why there is none
};

// The largest answer read: an OCS reply is a few hundred bytes, and a
// megabyte is beyond any server that means well.
constexpr qsizetype MaxAnswerBytes = 1024 * 1024;

// Reads an answer body as it came over the wire (compressed or not). Never
// throws; whatever the bytes are, the result is an answer or a reason.
ParsedAnswer parseServerAnswer(const QByteArray &body);

} // namespace fleet
