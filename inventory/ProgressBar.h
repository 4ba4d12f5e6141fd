#pragma once

namespace inventory {

// The progress bar as the scan and the saves use it: a value in 0..maximum.
class ProgressBar
{
public:
    virtual ~ProgressBar() = default;
    virtual int value() const = 0;
    virtual void setValue(int value) = 0;
    virtual int maximum() const = 0;
};

// A bar nobody sees, for headless runs.
class MemoryProgressBar final : public ProgressBar
{
public:
    int value() const override { return m_value; }
    void setValue(int value) override { m_value = value; }
    int maximum() const override { return 100; }

private:
    int m_value = 0;
};

} // namespace inventory
