#pragma once

#include "app/WindowServices.h"

#include <QStringList>

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

// All four fakes, ready to hand to a window.
struct FakeServices
{
    RecordingMessageBox messages;
    ScriptedSaveDialog saveDialog;
    ScriptedPump pump;
    RecordingProgramEnd programEnd;

    app::WindowServices services() { return {messages, saveDialog, pump, programEnd}; }
};

} // namespace testing
