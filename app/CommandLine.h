#pragma once

#include <QString>
#include <QStringList>

namespace app {

// What the program was asked to do. Without options it is the window; the
// save options write reports without a display, for scripts and for admins
// collecting inventories.
struct CommandLine
{
    enum class Action { Window, Export, Help, Version, Invalid };

    Action action = Action::Window;
    QString root = QStringLiteral("/");
    QString textTarget; // "-" is standard output
    QString htmlTarget;
    bool withProperties = false;
    QString error; // for Invalid

    // Reads argv as given (program name first). Needs no application object.
    static CommandLine parse(const QStringList &arguments);
    // The --help text; uses the application's name once one exists.
    static QString helpText();
};

} // namespace app
