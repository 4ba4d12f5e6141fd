// "Help": the product's online help page in the desktop's default browser.
#include "Form1.h"

#include "ErrorTrap.h"
#include "MainModule.h"

#include <QUrl>

namespace app {

void Form1::PushButton4_Click()
{
    ErrorTrap trap(m_services.messages, QStringLiteral("PushButton4_Click"));
    trap.steps().step(100, [&] { m_services.urlOpener.openUrl(QUrl(Main::HelpPageAddress)); });
}

} // namespace app
