#pragma once

#include <QString>

class QColor;
class QWidget;

namespace app {

class Form1;

// Program-wide routines and constants.
namespace Main {

inline const QString ProductName = QStringLiteral("Vantorix");
inline const QString SupportAddress = QStringLiteral("support@vantorix.example");
// The online help address of builds that set one (VANTORIX_HELP_ADDRESS, in the
// https://www.vantorix.example/vantorix/help/ style); empty in builds whose Help
// opens the pages installed with the program (InstalledFiles::helpPage).
inline const QString HelpPageAddress = QStringLiteral(VANTORIX_HELP_ADDRESS);

// True when the file system can tell when path last changed; never throws.
bool FileExists(const QString &path) noexcept;

// Sets the application title from the product name, cut word by word from the
// end until it is at most 40 characters.
void SetAppTitle();
QString AppTitle();
// The cutting rule alone. A first word longer than 40 characters is kept whole.
QString shortenedTitle(const QString &name);

// Restyles the window when program folder + "/x/o.cjs" is a file (or a link
// to one): the button-face colour on the window, its frames, option buttons,
// check boxes and labels, then the window's skin layer loads the file and
// attaches to the window. Otherwise does nothing at all. A failure ends it at
// the failing step; what it changed before stays.
void ApplySkin(Form1 &form);

// The background ("BackColor") of the window or of one control.
void setBackColor(QWidget &widget, const QColor &colour);

} // namespace Main
} // namespace app
