#pragma once

#include "SourceFactory.h"

#include <memory>
#include <optional>

namespace app {

// What the window shows: the machine below a root folder, or a file. A file
// is read again at every refresh, and a file dropped on the window takes the
// place of whatever was shown at the next one.
class WindowSource
{
public:
    // file: "" for the machine itself.
    explicit WindowSource(const QString &root, const QString &file = QString());

    // Always asks the source shown at the time of the call.
    inventory::Instrumentation instrumentation() const;

    // Reads the file shown (nothing to do for a machine). On failure the
    // source fails every query until a later read succeeds, and the failure
    // is thrown with the file's name and what is wrong.
    void reread();

    // Shows this file from the next reread on.
    void open(const QString &path);

    // The file shown; "" for the machine.
    QString file() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace app
