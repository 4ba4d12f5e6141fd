#include "ScreenReader.h"

#include <QMutex>

namespace inventory {

namespace {
QMutex readerLock;
ScreenReader &installedReader()
{
    static ScreenReader reader;
    return reader;
}
} // namespace

void setScreenReader(ScreenReader reader)
{
    const QMutexLocker lock(&readerLock);
    installedReader() = std::move(reader);
}

std::vector<WindowSystemScreen> windowSystemScreens()
{
    ScreenReader reader;
    {
        const QMutexLocker lock(&readerLock);
        reader = installedReader();
    }
    return reader ? reader() : std::vector<WindowSystemScreen>();
}

} // namespace inventory
