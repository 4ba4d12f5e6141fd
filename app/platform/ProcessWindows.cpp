#include "Process.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <stdio.h>

namespace app {

QStringList programArguments(int argc, char *argv[])
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        return arguments;
    }
    QStringList arguments;
    for (int i = 0; i < count; ++i)
        arguments.append(QString::fromWCharArray(wide[i]));
    LocalFree(wide);
    return arguments;
}

void prepareStandardStreams()
{
    _setmode(_fileno(stdout), _O_BINARY);
}

void releaseOwnConsole()
{
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) == 1)
        FreeConsole();
}

} // namespace app
