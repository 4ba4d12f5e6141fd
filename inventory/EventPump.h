#pragma once

namespace inventory {

// Lets pending window events run once. Long loops call it between items so
// the window stays alive; other handlers may run inside the call.
class EventPump
{
public:
    virtual ~EventPump() = default;
    virtual void pump() = 0;
};

// For callers without a window (headless export, benchmarks).
class NoEventPump final : public EventPump
{
public:
    void pump() override {}
};

} // namespace inventory
