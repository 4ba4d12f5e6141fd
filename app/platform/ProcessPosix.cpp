#include "Process.h"

namespace app {

QStringList programArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

void prepareStandardStreams()
{
}

void releaseOwnConsole()
{
}

} // namespace app
