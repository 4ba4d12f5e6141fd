// Vantorix: the hardware inventory of this machine, in one window.
#include "Form1.h"
#include "QtScreenReader.h"
#include "QtWindowServices.h"

#include "inventory/linux/LinuxSource.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    QCommandLineParser parser;
    const QCommandLineOption rootOption(QStringLiteral("root"),
                                        QStringLiteral("Read the machine data below DIR instead of /."),
                                        QStringLiteral("DIR"), QStringLiteral("/"));
    parser.addOption(rootOption);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "vantorix: %s\n", qPrintable(parser.errorText()));
        return 2;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantorix"));
    QApplication::setApplicationVersion(QStringLiteral(VANTORIX_VERSION));
    app::installScreenReader();

    app::QtMessageBox messages;
    app::QtSaveDialog saveDialog;
    app::QtEventPump pump;
    app::QtProgramEnd programEnd;
    app::Form1 window({messages, saveDialog, pump, programEnd},
                      inventory::linuxsource::LinuxSource::instrumentation(parser.value(rootOption)),
                      {QCoreApplication::applicationDirPath()});
    messages.setParent(&window);
    saveDialog.setParent(&window);

    window.Form_Load();
    if (!window.isVisible())
        window.show();
    return application.exec();
}
