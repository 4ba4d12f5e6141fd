#pragma once

#include "app/QssSkin.h"
#include "app/WindowServices.h"
#include "inventory/Instrumentation.h"

#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

namespace testing {

// Records every box instead of showing it.
class RecordingMessageBox final : public app::MessageBox
{
public:
    struct Shown
    {
        QString text;
        int style;
        std::optional<QString> caption;
    };
    void show(const QString &text, int style, const std::optional<QString> &caption) override
    {
        shown.push_back({text, style, caption});
        if (onShow)
            onShow(shown.back());
    }
    QStringList texts() const
    {
        QStringList all;
        for (const Shown &s : shown)
            all.append(s.text);
        return all;
    }
    std::vector<Shown> shown;
    std::function<void(const Shown &)> onShow;
};

// Answers the save dialog with a prepared file name ("" = the user cancels).
class ScriptedSaveDialog final : public app::SaveDialog
{
public:
    void ShowSave() override
    {
        ++shows;
        seen.push_back({DialogTitle, Filter, FileName});
        if (!answer.isEmpty())
            FileName = answer;
    }
    struct Seen
    {
        QString title, filter, fileNameBefore;
    };
    QString answer;
    int shows = 0;
    std::vector<Seen> seen;
};

// Counts pumps and can run a test's code inside one, as a real event would.
class ScriptedPump final : public inventory::EventPump
{
public:
    void pump() override
    {
        ++count;
        if (during)
            during(count);
    }
    int count = 0;
    std::function<void(int)> during;
};

class RecordingProgramEnd final : public app::ProgramEnd
{
public:
    void end() override { ++ends; }
    int ends = 0;
};

// Writes down every call the window makes, then passes it on to the real
// style sheet layer, so a test sees both the order and the effect.
class RecordingSkin final : public app::SkinLayer
{
public:
    void LoadSkin(const QString &skinFile, const QString &iniFileName) override
    {
        record(QStringLiteral("LoadSkin(%1, \"%2\")").arg(skinFile, iniFileName));
        real.LoadSkin(skinFile, iniFileName);
    }
    qint32 Options() const override
    {
        record(QStringLiteral("Options"));
        return real.Options();
    }
    void setOptions(qint32 flags) override
    {
        record(QStringLiteral("setOptions(%1)").arg(flags));
        real.setOptions(flags);
    }
    void setSwitch(int which, bool on) override
    {
        record(QStringLiteral("setSwitch(%1, %2)").arg(which).arg(on ? QStringLiteral("true") : QStringLiteral("false")));
        real.setSwitch(which, on);
    }
    void ApplyWindow(QWidget &window) override
    {
        record(QStringLiteral("ApplyWindow(%1)").arg(window.objectName()));
        real.ApplyWindow(window);
    }

    app::QssSkin real;
    mutable QStringList calls;
    // Runs before each call reaches the real layer.
    std::function<void(const QString &call)> beforeCall;

private:
    void record(const QString &call) const
    {
        calls.append(call);
        if (beforeCall)
            beforeCall(call);
    }
};

// Writes down each address instead of starting a browser; failWith makes the
// opener throw, as a missing desktop handler would.
class RecordingUrlOpener final : public app::UrlOpener
{
public:
    void openUrl(const QUrl &address) override
    {
        opened.append(address);
        if (!failWith.isEmpty())
            throw inventory::Failure(failWith);
    }
    QList<QUrl> opened;
    QString failWith;
};

// All the fakes, ready to hand to a window.
struct FakeServices
{
    RecordingMessageBox messages;
    ScriptedSaveDialog saveDialog;
    ScriptedPump pump;
    RecordingProgramEnd programEnd;
    RecordingSkin skin;
    RecordingUrlOpener urlOpener;

    app::WindowServices services() { return {messages, saveDialog, pump, programEnd, skin, urlOpener}; }
};

} // namespace testing
