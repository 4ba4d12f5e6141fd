#include "CommandLine.h"

#include "inventory/MachineSource.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <iterator>

namespace app {

namespace {

constexpr int MaxTimeoutSeconds = 3600;
// The OCS Inventory agent is built where the machine is read from Linux's files.
constexpr bool WithAgent = VANTORIX_WITH_AGENT;

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
    QCommandLineOption saveJson{QStringLiteral("save-json"),
                                QStringLiteral("Write the inventory file to FILE without opening a window (- for standard output)."),
                                QStringLiteral("FILE")};
    QCommandLineOption open{QStringLiteral("open"), QStringLiteral("Show an inventory file or a Windows capture (a file or a folder) instead of this machine."),
                            QStringLiteral("FILE")};
    QCommandLineOption redact{QStringLiteral("redact"),
                              QStringLiteral("Replace serial numbers, UUIDs, MAC addresses, asset tags, host, user and domain names "
                                             "with a marker in what a save option writes.")};
    QCommandLineOption diff{QStringLiteral("diff"),
                            QStringLiteral("Compare two inventories, given as OLD NEW (inventory files, captures, or - for this "
                                           "machine now); exit status 0 when the same, 1 when different.")};
    QCommandLineOption all{QStringLiteral("all"),
                           QStringLiteral("With --diff, also compare live readings (clock speeds, temperatures, display mode, ...).")};
    QCommandLineOption withProperties{QStringLiteral("with-properties"),
                                      QStringLiteral("Include every device's properties in the reports.")};
    QCommandLineOption send{QStringLiteral("send"),
                            QStringLiteral("Send the inventory to the OCS Inventory server at URL (http:// or https://). "
                                           "Exit status 3: the server said not now; 4 to 9: see the README."),
                            QStringLiteral("URL")};
    QCommandLineOption saveOcs{QStringLiteral("save-ocs"),
                               QStringLiteral("Write the inventory as an OCS Inventory agent document to FILE (- for standard output)."),
                               QStringLiteral("FILE")};
    QCommandLineOption ocsTag{QStringLiteral("ocs-tag"), QStringLiteral("The administrative tag the server files the machine under."),
                              QStringLiteral("TAG")};
    QCommandLineOption caFile{QStringLiteral("ca-file"),
                              QStringLiteral("Also trust the certificate authorities in FILE (PEM or DER) for HTTPS."),
                              QStringLiteral("FILE")};
    QCommandLineOption timeout{QStringLiteral("timeout"),
                               QStringLiteral("Give up on a request to the server after SECONDS (default 60)."),
                               QStringLiteral("SECONDS"), QStringLiteral("60")};
    QCommandLineOption stateDir{QStringLiteral("state-dir"),
                                QStringLiteral("Keep the machine's DEVICEID in DIR (default ~/.local/state/vantorix, "
                                               "/var/lib/vantorix for root)."),
                                QStringLiteral("DIR")};
    QCommandLineOption scheduled{QStringLiteral("scheduled"),
                                 QStringLiteral("With --send, a run of a schedule (the daily timer): send nothing while the last "
                                                "stored inventory is younger than the server's PROLOG_FREQ.")};
    QCommandLineOption force{QStringLiteral("force"), QStringLiteral("With --send --scheduled, send even when the server's PROLOG_FREQ has not passed.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Show the version and exit.")};

    void addTo(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(
            QStringLiteral("The hardware inventory of this machine. Without options it opens the window.\n"
                           "Qt's own options (-platform, -display, -style, -reverse, ...) are accepted as in every Qt program."));
        parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("An inventory file or a Windows capture to open."),
                                     QStringLiteral("[FILE]"));
        // "-frobnicate" is one unknown word, not ten unknown letters.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        // Only a machine read from files can be read below another root.
        if (inventory::MachineSource::readsRoot())
            parser.addOption(root);
        parser.addOptions({open, saveText, saveHtml, saveJson, withProperties, redact, diff, all});
        if (WithAgent)
            parser.addOptions({send, saveOcs, ocsTag, caFile, timeout, stateDir, scheduled, force});
        parser.addOptions({help, version});
    }
};

// The options Qt takes for itself in every Qt program (the application, its
// platform plugin and the widget style), with one or two leading dashes.
// They stay in argv for QApplication and are hidden from our own parser.
struct QtOwnOption
{
    QLatin1StringView name;
    bool takesValue;
};
constexpr QtOwnOption QtOwnOptions[] = {
    {QLatin1StringView("platform"), true},         {QLatin1StringView("platformpluginpath"), true},
    {QLatin1StringView("platformtheme"), true},    {QLatin1StringView("plugin"), true},
    {QLatin1StringView("qwindowgeometry"), true},  {QLatin1StringView("qwindowtitle"), true},
    {QLatin1StringView("qwindowicon"), true},      {QLatin1StringView("geometry"), true},
    {QLatin1StringView("title"), true},            {QLatin1StringView("icon"), true},
    {QLatin1StringView("session"), true},          {QLatin1StringView("reverse"), false},
    {QLatin1StringView("testability"), false},     {QLatin1StringView("qmljsdebugger"), true},
    {QLatin1StringView("display"), true},          {QLatin1StringView("name"), true},
    {QLatin1StringView("visual"), true},           {QLatin1StringView("ncols"), true},
    {QLatin1StringView("cmap"), false},            {QLatin1StringView("sync"), false},
    {QLatin1StringView("nograb"), false},          {QLatin1StringView("dograb"), false},
    {QLatin1StringView("style"), true},            {QLatin1StringView("stylesheet"), true},
    {QLatin1StringView("widgetcount"), false},
};

// argv without Qt's own options and their values.
QStringList withoutQtOptions(const QStringList &arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (i == 0 || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("--")) {
            kept.append(argument);
            continue;
        }
        QStringView name = QStringView(argument).mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        const bool valueAttached = equals >= 0;
        if (valueAttached)
            name = name.left(equals);
        const auto own = std::find_if(std::begin(QtOwnOptions), std::end(QtOwnOptions),
                                      [&](const QtOwnOption &option) { return name == option.name; });
        if (own == std::end(QtOwnOptions)) {
            kept.append(argument);
            continue;
        }
        if (own->takesValue && !valueAttached)
            ++i; // its value
    }
    return kept;
}

// What is wrong with the agent's options, or nothing.
QString agentProblem(CommandLine &line, bool sending, bool saving, const QString &timeout)
{
    if (sending) {
        const QUrl url(line.sendUrl, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty()
            || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
            return QStringLiteral("--send needs the server's http:// or https:// address, as in "
                                  "http://inventory.example.org/ocsinventory.");
    }
    if (saving && line.ocsTarget.isEmpty())
        return QStringLiteral("A save option needs a file name (- for standard output).");
    bool ok = false;
    line.timeoutSeconds = timeout.toInt(&ok);
    if (!ok || line.timeoutSeconds < 1 || line.timeoutSeconds > MaxTimeoutSeconds)
        return QStringLiteral("--timeout needs a number of seconds from 1 to %1.").arg(MaxTimeoutSeconds);
    return {};
}

// Whether an option was given. Asking the parser about an option this build
// does not offer (--root on Windows, the agent's) would make it warn.
bool given(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    const QStringList names = parser.optionNames();
    return std::any_of(option.names().cbegin(), option.names().cend(),
                       [&](const QString &name) { return names.contains(name); });
}

CommandLine invalidLine(const QString &error)
{
    CommandLine line;
    line.action = CommandLine::Action::Invalid;
    line.error = error;
    return line;
}

// --diff OLD NEW [--all] [--root DIR]: nothing is saved or opened.
CommandLine parseDiff(const QCommandLineParser &parser, const Options &options, const QStringList &files)
{
    if (files.size() != 2)
        return invalidLine(QStringLiteral("--diff compares two inventories: --diff OLD NEW (- for this machine now)."));
    for (const QCommandLineOption *other : {&options.open, &options.saveText, &options.saveHtml, &options.saveJson,
                                            &options.withProperties, &options.redact, &options.send, &options.saveOcs})
        if (given(parser, *other))
            return invalidLine(QStringLiteral("--diff goes with --all and --root only, not --%1.").arg(other->names().constFirst()));
    CommandLine line;
    if (inventory::MachineSource::readsRoot())
        line.root = parser.value(options.root);
    if (given(parser, options.root) && !files.contains(QStringLiteral("-")))
        return invalidLine(QStringLiteral("--root reads a machine; with --diff it goes with - for this machine."));
    if (files.contains(QStringLiteral("-")) && !QFileInfo(line.root).isDir())
        return invalidLine(QStringLiteral("--root %1 is not a folder.").arg(line.root));
    line.action = CommandLine::Action::Diff;
    line.diffBefore = files.at(0);
    line.diffAfter = files.at(1);
    line.diffAll = parser.isSet(options.all);
    return line;
}

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

    if (!parser.parse(withoutQtOptions(arguments)))
        return invalid(parser.errorText());
    const QStringList files = parser.positionalArguments();
    if (parser.isSet(options.help)) {
        line.action = Action::Help;
        return line;
    }
    if (parser.isSet(options.version)) {
        line.action = Action::Version;
        return line;
    }
    if (parser.isSet(options.diff))
        return parseDiff(parser, options, files);
    if (parser.isSet(options.all))
        return invalid(QStringLiteral("--all goes with --diff."));
    if (files.size() > 1)
        return invalid(QStringLiteral("Only one file can be opened; unexpected argument '%1'.").arg(files.at(1)));

    if (inventory::MachineSource::readsRoot())
        line.root = parser.value(options.root);
    line.textTarget = parser.value(options.saveText);
    line.htmlTarget = parser.value(options.saveHtml);
    line.jsonTarget = parser.value(options.saveJson);
    line.withProperties = parser.isSet(options.withProperties);
    line.redact = parser.isSet(options.redact);
    if (line.root.isEmpty())
        return invalid(QStringLiteral("--root needs a folder."));
    if ((parser.isSet(options.saveText) && line.textTarget.isEmpty())
        || (parser.isSet(options.saveHtml) && line.htmlTarget.isEmpty())
        || (parser.isSet(options.saveJson) && line.jsonTarget.isEmpty()))
        return invalid(QStringLiteral("A save option needs a file name (- for standard output)."));
    const bool reporting = !line.textTarget.isEmpty() || !line.htmlTarget.isEmpty();
    const bool saving = reporting || !line.jsonTarget.isEmpty();
    if (line.withProperties && !reporting)
        return invalid(QStringLiteral("--with-properties goes with --save-text or --save-html."));
    if (line.redact && !saving)
        return invalid(QStringLiteral("--redact goes with --save-text, --save-html or --save-json."));
    const QStringList targets{line.textTarget, line.htmlTarget, line.jsonTarget};
    if (targets.count(QStringLiteral("-")) > 1)
        return invalid(QStringLiteral("Only one file can go to standard output."));

    // The parser warns about options it was never given: ask only where they exist.
    const bool agent = WithAgent && (parser.isSet(options.send) || parser.isSet(options.saveOcs));
    if (WithAgent) {
        line.sendUrl = parser.value(options.send);
        line.ocsTarget = parser.value(options.saveOcs);
        line.ocsTag = parser.value(options.ocsTag);
        line.caFile = parser.value(options.caFile);
        line.stateDir = parser.value(options.stateDir);
    }
    if (agent) {
        if (const QString problem = agentProblem(line, parser.isSet(options.send), parser.isSet(options.saveOcs),
                                                 parser.value(options.timeout));
            !problem.isEmpty())
            return invalid(problem);
        if (saving || line.redact)
            return invalid(QStringLiteral("--send and --save-ocs do not go with --save-text, --save-html, --save-json or --redact."));
        for (const QCommandLineOption *option : {&options.scheduled, &options.force})
            if (parser.isSet(*option) && !parser.isSet(options.send))
                return invalid(QStringLiteral("--%1 goes with --send.").arg(option->names().constFirst()));
        line.scheduled = parser.isSet(options.scheduled);
        line.force = parser.isSet(options.force);
    } else if (WithAgent) {
        for (const QCommandLineOption *option : {&options.ocsTag, &options.caFile, &options.timeout, &options.stateDir,
                                                 &options.scheduled, &options.force})
            if (parser.isSet(*option))
                return invalid(QStringLiteral("--%1 goes with --send or --save-ocs.").arg(option->names().constFirst()));
    }

    line.fileToOpen = parser.value(options.open);
    if (parser.isSet(options.open) && line.fileToOpen.isEmpty())
        return invalid(QStringLiteral("--open needs a file."));
    if (!files.isEmpty() && !line.fileToOpen.isEmpty())
        return invalid(QStringLiteral("Give the file to open once: '%1' or --open.").arg(files.constFirst()));
    if (!files.isEmpty())
        line.fileToOpen = files.constFirst();
    if (!line.fileToOpen.isEmpty() && given(parser, options.root))
        return invalid(QStringLiteral("--root reads a machine; a file to open holds one already."));
    // The window keeps its old way with a wrong root (an empty tree); a
    // script is better told at once.
    if ((saving || agent) && line.fileToOpen.isEmpty() && !QFileInfo(line.root).isDir())
        return invalid(QStringLiteral("--root %1 is not a folder.").arg(line.root));
    line.action = agent ? Action::Agent : saving ? Action::Export : Action::Window;
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
