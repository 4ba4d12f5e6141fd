#pragma once

#include "WindowServices.h"

#include "inventory/StepRunner.h"

namespace app {

// The trap every working handler arms first: a failing step shows the
// "Application Error" box with what failed and where, then the handler goes
// on with its next step.
class ErrorTrap
{
public:
    // handler: "Form_Load", "PushButton1_Click", ...
    ErrorTrap(MessageBox &messages, const QString &handler);
    ErrorTrap(const ErrorTrap &) = delete;
    ErrorTrap &operator=(const ErrorTrap &) = delete;

    inventory::StepRunner &steps() { return m_steps; }

    static QString locationText(const QString &handler);
    static QString boxText(const QString &description, const QString &location, int line);
    static const QString Caption;

private:
    MessageBox &m_messages;
    QString m_location;
    inventory::StepRunner m_steps;
};

} // namespace app
