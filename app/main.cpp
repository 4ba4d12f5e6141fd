// Vantorix: the hardware inventory of this machine, in one window, or written
// straight to a report file by a script.
#if VANTORIX_WITH_AGENT
#include "AgentCommand.h"
#endif
#include "CommandLine.h"
#include "Form1.h"
#include "HeadlessDiff.h"
#include "HeadlessExport.h"
#include "InstalledFiles.h"
#include "MainModule.h"
#include "QssSkin.h"
#include "QtScreenReader.h"
#include "QtWindowServices.h"
#include "WindowSource.h"

#include "platform/Process.h"
#include "report/WriteTextFile.h"

#include <QApplication>

#include <cstdio>
#include <optional>

namespace {

void setIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Vantorix"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTORIX_VERSION));
}

// Without a display: no widgets, no QApplication.
int runHeadless(int argc, char *argv[], const app::CommandLine &line)
{
    QCoreApplication application(argc, argv);
    setIdentity();
    switch (line.action) {
    case app::CommandLine::Action::Help:
        std::fputs(qPrintable(app::CommandLine::helpText()), stdout);
        std::fputs(qPrintable(app::InstalledFiles(QCoreApplication::applicationDirPath())
                                  .describe(app::Main::HelpPageAddress)),
                   stdout);
        return 0;
    case app::CommandLine::Action::Version:
        std::printf("vantorix %s\n", VANTORIX_VERSION);
        return 0;
#if VANTORIX_WITH_AGENT
    case app::CommandLine::Action::Agent:
        return app::runAgentCommand(line);
#endif
    default:
        break;
    }
    const auto complain = [](const QString &message) { std::fprintf(stderr, "vantorix: %s\n", qPrintable(message)); };
    if (line.action == app::CommandLine::Action::Diff) {
        const app::HeadlessDiff diff{line.diffBefore, line.diffAfter, line.root, line.diffAll};
        return diff.run([](const QString &text) { report::WriteBytesToStandardOutput(text.toUtf8()); }, complain);
    }
    std::optional<app::Source> source;
    try {
        source = line.fileToOpen.isEmpty() ? app::machineSource(line.root) : app::fileSource(line.fileToOpen);
    } catch (const inventory::Failure &failure) {
        complain(failure.description());
        return 1;
    }
    const app::HeadlessExport exporter{line.textTarget, line.htmlTarget, line.withProperties, line.jsonTarget, line.redact};
    return exporter.run(*source, complain);
}

} // namespace

int main(int argc, char *argv[])
{
    app::prepareStandardStreams();
    const QStringList arguments = app::programArguments(argc, argv);

    const app::CommandLine line = app::CommandLine::parse(arguments);
    if (line.action == app::CommandLine::Action::Invalid) {
        std::fprintf(stderr, "vantorix: %s\nTry 'vantorix --help'.\n", qPrintable(line.error));
        return 2;
    }
    if (line.action != app::CommandLine::Action::Window)
        return runHeadless(argc, argv, line);

    app::releaseOwnConsole();
    QApplication application(argc, argv);
    setIdentity();
    app::installScreenReader();

    app::QtMessageBox messages;
    app::QtSaveDialog saveDialog;
    app::QtEventPump pump;
    app::QtProgramEnd programEnd;
    app::QssSkin skin;
    app::QtUrlOpener urlOpener;
    app::WindowSource source(line.root, line.fileToOpen);
    app::Form1 window({messages, saveDialog, pump, programEnd, skin, urlOpener}, source.instrumentation(),
                      {QCoreApplication::applicationDirPath(), [&source] { source.reread(); },
                       [&source](const QString &path) { source.open(path); }});
    messages.setParent(&window);
    saveDialog.setParent(&window);

    window.Form_Load();
    if (!window.isVisible())
        window.show();
    return application.exec();
}
