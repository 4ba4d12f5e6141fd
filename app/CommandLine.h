#pragma once

#include <QString>
#include <QStringList>

namespace app {

// What the program was asked to do. Without options it is the window; the
// save options write reports without a display, for scripts and for admins
// collecting inventories.
struct CommandLine
{
    // Invalid: a wrong command line (exit status 2).
    enum class Action { Window, Export, Agent, Diff, Help, Version, Invalid };

    Action action = Action::Window;
    QString root = QStringLiteral("/");
    QString textTarget; // "-" is standard output
    QString htmlTarget;
    QString jsonTarget; // the inventory file
    bool withProperties = false;
    // The inventory server's agent: send to sendUrl, save the document to
    // ocsTarget ("-" for standard output), or both.
    QString sendUrl;
    QString ocsTarget;
    QString ocsTag;
    QString caFile;
    QString stateDir;
    int timeoutSeconds = 60;
    bool scheduled = false; // --scheduled: skip while the server's PROLOG_FREQ has not passed
    bool force = false;     // --force: send anyway
    QString fileToOpen; // the positional argument or --open: shown instead of the machine
    bool redact = false; // --redact, with a save option
    // --diff OLD NEW ("-" for this machine now); --all keeps live readings.
    QString diffBefore;
    QString diffAfter;
    bool diffAll = false;
    QString error; // for Invalid

    // Reads argv as given (program name first). Needs no application object.
    // Qt's own options are skipped here and left to QApplication.
    static CommandLine parse(const QStringList &arguments);
    // The --help text; uses the application's name once one exists.
    static QString helpText();
};

} // namespace app
