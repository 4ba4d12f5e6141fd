#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

namespace testing {

struct ProgramRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The real program (VANTORIX_BINARY of the test), with no display to open.
// A run that does not end within two minutes is killed and gives -1.
inline ProgramRun runProgram(const QStringList &arguments)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VANTORIX_BINARY), arguments);
    ProgramRun run;
    if (!program.waitForFinished(120000)) {
        program.kill();
        program.waitForFinished();
        return run;
    }
    run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.out = program.readAllStandardOutput();
    run.err = program.readAllStandardError();
    return run;
}

} // namespace testing
