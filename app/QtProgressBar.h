#pragma once

#include "inventory/ProgressBar.h"

#include <QProgressBar>

namespace app {

// The progress bar contract over a QProgressBar.
class QtProgressBar final : public inventory::ProgressBar
{
public:
    explicit QtProgressBar(QProgressBar *bar) : m_bar(bar) {}
    int value() const override { return m_bar->value() < m_bar->minimum() ? m_bar->minimum() : m_bar->value(); }
    void setValue(int value) override { m_bar->setValue(value); }
    int maximum() const override { return m_bar->maximum(); }

private:
    QProgressBar *m_bar;
};

} // namespace app
