// "Help": the product's help page in the desktop's default browser: the pages
// installed with the program, or the online page of builds that set one.
#include "Form1.h"

#include "ErrorTrap.h"
#include "InstalledFiles.h"
#include "MainModule.h"

namespace app {

void Form1::PushButton4_Click()
{
    ErrorTrap trap(m_services.messages, QStringLiteral("PushButton4_Click"));
    trap.steps().step(100, [&] {
        m_services.urlOpener.openUrl(InstalledFiles(programFolder()).helpPage(Main::HelpPageAddress));
    });
}

} // namespace app
