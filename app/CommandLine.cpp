#include "CommandLine.h"

#include "inventory/MachineSource.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace app {

namespace {

struct Options
{
    QCommandLineOption root{QStringLiteral("root"), QStringLiteral("Read the machine data below DIR instead of /."),
                            QStringLiteral("DIR"), QStringLiteral("/")};
    QCommandLineOption saveText{QStringLiteral("save-text"),
                                QStringLiteral("Write the text report to FILE without opening a window (- for standard output)."),
                                QStringLiteral("FILE")};
    QCommandLineOption saveHtml{QStringLiteral("save-html"),
                                QStringLiteral("Write the HTML report to FILE without opening a window (- for standard output)."),
                                QStringLiteral("FILE")};
    QCommandLineOption withProperties{QStringLiteral("with-properties"),
                                      QStringLiteral("Include every device's properties in the reports.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Show the version and exit.")};

    void addTo(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(
            QStringLiteral("The hardware inventory of this machine. Without options it opens the window."));
        // Only a machine read from files can be read below another root.
        if (inventory::MachineSource::readsRoot())
            parser.addOption(root);
        parser.addOptions({saveText, saveHtml, withProperties, help, version});
    }
};

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine line;
    const Options options;
    QCommandLineParser parser;
    options.addTo(parser);
    const auto invalid = [&](const QString &error) {
        line.action = Action::Invalid;
        line.error = error;
        return line;
    };

    if (!parser.parse(arguments))
        return invalid(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return invalid(QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(options.help)) {
        line.action = Action::Help;
        return line;
    }
    if (parser.isSet(options.version)) {
        line.action = Action::Version;
        return line;
    }

    if (inventory::MachineSource::readsRoot())
        line.root = parser.value(options.root);
    line.textTarget = parser.value(options.saveText);
    line.htmlTarget = parser.value(options.saveHtml);
    line.withProperties = parser.isSet(options.withProperties);
    if (line.root.isEmpty())
        return invalid(QStringLiteral("--root needs a folder."));
    if ((parser.isSet(options.saveText) && line.textTarget.isEmpty())
        || (parser.isSet(options.saveHtml) && line.htmlTarget.isEmpty()))
        return invalid(QStringLiteral("A save option needs a file name (- for standard output)."));
    const bool saving = !line.textTarget.isEmpty() || !line.htmlTarget.isEmpty();
    if (line.withProperties && !saving)
        return invalid(QStringLiteral("--with-properties goes with --save-text or --save-html."));
    if (line.textTarget == QLatin1String("-") && line.htmlTarget == QLatin1String("-"))
        return invalid(QStringLiteral("Only one report can go to standard output."));
    // The window keeps its old way with a wrong root (an empty tree); a
    // script is better told at once.
    if (saving && !QFileInfo(line.root).isDir())
        return invalid(QStringLiteral("--root %1 is not a folder.").arg(line.root));
    line.action = saving ? Action::Export : Action::Window;
    return line;
}

QString CommandLine::helpText()
{
    const Options options;
    QCommandLineParser parser;
    options.addTo(parser);
    return parser.helpText();
}

} // namespace app
