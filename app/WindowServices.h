#pragma once

#include "inventory/EventPump.h"

#include <QString>

#include <optional>

class QUrl;

namespace app {

class SkinLayer;

// The window-system services the handlers lean on. The app uses the Qt
// implementations; tests use recording fakes, so nothing ever blocks on a
// modal box or ends the test process.

// Styles as the handlers pass them: OK alone, optionally with the warning icon.
enum MessageStyle { OkOnly = 0, Exclamation = 48 };

class MessageBox
{
public:
    virtual ~MessageBox() = default;
    // A box without a caption of its own is captioned with the application title.
    virtual void show(const QString &text, int style, const std::optional<QString> &caption = std::nullopt) = 0;
};

// The save-file dialog. Filter is "Description (*.ext)|*.ext|" pairs; after a
// cancel, FileName keeps what it held before (empty, as the saves set it).
class SaveDialog
{
public:
    virtual ~SaveDialog() = default;
    virtual void ShowSave() = 0;

    QString FileName;
    QString DialogTitle;
    QString Filter;
};

// Ends the program at once: no further events, nothing else runs.
class ProgramEnd
{
public:
    virtual ~ProgramEnd() = default;
    virtual void end() = 0;
};

// Opens a web address with the desktop's default browser and returns at
// once, without waiting for the browser or asking whether it worked.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    virtual void openUrl(const QUrl &address) = 0;
};

// Everything a window needs from the outside, handed in at construction.
struct WindowServices
{
    MessageBox &messages;
    SaveDialog &saveDialog;
    inventory::EventPump &pump;
    ProgramEnd &programEnd;
    SkinLayer &skin;
    UrlOpener &urlOpener;
};

} // namespace app
