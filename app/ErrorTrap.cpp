#include "ErrorTrap.h"

#include "MainModule.h"

namespace app {

const QString ErrorTrap::Caption = QStringLiteral("Application Error");

ErrorTrap::ErrorTrap(MessageBox &messages, const QString &handler)
    : m_messages(messages)
    , m_location(locationText(handler))
    , m_steps([this](const QString &description, int line) {
        m_messages.show(boxText(description, m_location, line), Exclamation, Caption);
    })
{
}

QString ErrorTrap::locationText(const QString &handler)
{
    return QStringLiteral("in Vantorix2021/08/31.Form1.") + handler + QLatin1Char(' ');
}

QString ErrorTrap::boxText(const QString &description, const QString &location, int line)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") + QString::number(line)
        + QStringLiteral("\r\rPlease email screenshot of this message to ") + Main::SupportAddress;
}

} // namespace app
