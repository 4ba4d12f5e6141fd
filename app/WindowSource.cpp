#include "WindowSource.h"

#include <optional>

namespace app {

struct WindowSource::State
{
    inventory::Instrumentation machine;
    QString file;
    // A file to show from the next reread on; until then the shown source
    // stays, so that a report being written is not switched half way.
    std::optional<QString> next;
    // The record read last, served as it was; or why the file cannot be read.
    std::optional<inventory::Instrumentation> record;
    QString failure;
};

WindowSource::WindowSource(const QString &root, const QString &file)
    : m_state(std::make_shared<State>(State{machineSource(root).instrumentation, file, std::nullopt, std::nullopt,
                                            QStringLiteral("The file has not been read yet")}))
{
}

inventory::Instrumentation WindowSource::instrumentation() const
{
    return inventory::Instrumentation([state = m_state]() -> std::shared_ptr<inventory::Service> {
        if (state->file.isEmpty())
            return state->machine.connect();
        if (!state->record)
            throw inventory::Failure(state->failure);
        return state->record->connect();
    });
}

void WindowSource::reread()
{
    if (m_state->next) {
        m_state->file = *m_state->next;
        m_state->next.reset();
    }
    if (m_state->file.isEmpty())
        return;
    m_state->record.reset();
    try {
        m_state->record = fileSource(m_state->file).instrumentation;
    } catch (const inventory::Failure &failure) {
        m_state->failure = failure.description();
        throw;
    }
}

void WindowSource::open(const QString &path)
{
    m_state->next = path;
}

QString WindowSource::file() const
{
    return m_state->file;
}

} // namespace app
