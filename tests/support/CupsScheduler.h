#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace testing {

// A real CUPS scheduler for one test process: its own throw-away
// configuration, listening on a private socket only (the machine's own CUPS
// is never touched). Stopped, by its process, when the object goes.
class CupsScheduler
{
public:
    CupsScheduler();
    ~CupsScheduler();

    // Starts cupsd; false with skipReason() set when it cannot.
    bool start();
    QString skipReason() const { return m_skipReason; }
    QString socket() const { return m_socket; }

    // Runs lpadmin against this scheduler.
    bool lpadmin(const QStringList &arguments);

private:
    QTemporaryDir m_dir;
    QProcess m_cupsd;
    QString m_socket;
    QString m_skipReason;
};

} // namespace testing
