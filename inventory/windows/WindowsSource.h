#pragma once

#include "ComHandles.h"
#include "inventory/Instrumentation.h"

#include <wbemcli.h>

namespace inventory::windowssource {

// This Windows machine as WMI describes it: the instances of a class in the
// service's order, each with its Caption and its properties in WMI's order,
// through the COM interfaces the scripting moniker "winmgmts:" stands for.
class WindowsSource final : public Service
{
public:
    // Connects to a namespace of the local WMI service with the user's own
    // rights. Throws Failure with the failing call's HRESULT and WMI's text.
    explicit WindowsSource(const QString &wmiNamespace = DefaultNamespace);

    // Throws Failure when WMI refuses the class. Stepping on throws when WMI
    // breaks off, or, after no instance at all, when WMI has no such class.
    InstanceEnumeration instancesOf(const QString &className) override;

    // The local machine, or another namespace for tests.
    static Instrumentation instrumentation(const QString &wmiNamespace = DefaultNamespace);

    static const QString DefaultNamespace; // ROOT\CIMV2

private:
    ComPtr<IWbemServices> m_services;
};

} // namespace inventory::windowssource
