#include "WindowsSource.h"

#include "ComFailure.h"
#include "VariantValue.h"

#include <mutex>

namespace inventory::windowssource {

const QString WindowsSource::DefaultNamespace = QStringLiteral("ROOT\\CIMV2");

namespace {

// COM stays initialised on a thread once a query has needed it: the window's
// thread has it from Qt already, and tearing it down after every one of a
// scan's 57 queries would only load and unload WMI's client each time.
void enterApartment()
{
    thread_local bool entered = false;
    if (entered)
        return;
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // RPC_E_CHANGED_MODE: the thread already has COM, in the other model.
    if (FAILED(result) && result != RPC_E_CHANGED_MODE)
        throw comFailure(QStringLiteral("COM cannot start"), result);
    entered = true;

    // Process-wide and allowed once; when something else in the process has
    // made COM calls first (RPC_E_TOO_LATE), its defaults stand and the proxy
    // blanket below still asks for impersonation.
    static std::once_flag security;
    std::call_once(security, [] {
        CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE,
                             nullptr, EOAC_NONE, nullptr);
    });
}

// The properties in WMI's order. A step that fails ends the walk with what it
// has; a walk that cannot even start is a failure.
Properties propertiesOf(IWbemClassObject &object, const QString &className)
{
    check(object.BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY), className + QStringLiteral(": the properties cannot be listed"));
    Properties properties;
    for (;;) {
        BSTR name = nullptr;
        Variant value;
        CIMTYPE type = CIM_EMPTY;
        const HRESULT result = object.Next(0, &name, &value.value, &type, nullptr);
        if (result != WBEM_S_NO_ERROR) {
            object.EndEnumeration();
            if (FAILED(result) && properties.empty())
                throw comFailure(className + QStringLiteral(": the properties cannot be read"), result);
            return properties;
        }
        properties.push_back({fromBstr(name), valueOf(value.value, type)});
        SysFreeString(name);
    }
}

Instance instanceOf(const ComPtr<IWbemClassObject> &object, const QString &className)
{
    Instance::Loader loader = [object, className] { return propertiesOf(*object.get(), className); };
    Variant caption;
    CIMTYPE type = CIM_EMPTY;
    // A Caption that cannot be read is a class without one: Wine's WMI has
    // none on most classes, and the instance then names no device.
    if (FAILED(object->Get(L"Caption", 0, &caption.value, &type, nullptr)))
        return Instance::withoutCaption(std::move(loader));
    return Instance(valueOf(caption.value, type), std::move(loader));
}

} // namespace

WindowsSource::WindowsSource(const QString &wmiNamespace)
{
    enterApartment();
    ComPtr<IWbemLocator> locator;
    check(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, locator.putVoid()),
          QStringLiteral("WMI cannot be reached"));
    check(locator->ConnectServer(Bstr(wmiNamespace), nullptr, nullptr, nullptr, 0, nullptr, nullptr, m_services.put()),
          QStringLiteral("WMI namespace %1 cannot be opened").arg(wmiNamespace));
    // The service is a proxy into the WMI process, which must be allowed to
    // act as the user. E_NOINTERFACE: no proxy at all (an in-process service).
    const HRESULT blanket = CoSetProxyBlanket(m_services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                              RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (blanket != E_NOINTERFACE)
        check(blanket, QStringLiteral("WMI refuses the user's identity"));
}

InstanceEnumeration WindowsSource::instancesOf(const QString &className)
{
    ComPtr<IEnumWbemClassObject> enumerator;
    check(m_services->CreateInstanceEnum(Bstr(className), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                         enumerator.put()),
          className + QStringLiteral(": the instances cannot be listed"));

    enum class State { Starting, Running, Done };
    return InstanceEnumeration([services = m_services, enumerator, className, state = State::Starting]() mutable
                               -> std::optional<Instance> {
        if (state == State::Done)
            return std::nullopt;
        ComPtr<IWbemClassObject> object;
        ULONG returned = 0;
        const HRESULT result = enumerator->Next(WBEM_INFINITE, 1, object.put(), &returned);
        if (FAILED(result)) {
            state = State::Done;
            throw comFailure(className + QStringLiteral(": the enumeration broke off"), result);
        }
        if (returned == 0 || !object) {
            // Windows refuses an unknown class up front; Wine lists it as
            // empty. Asking for the class tells the two apart.
            const bool first = state == State::Starting;
            state = State::Done;
            if (first) {
                ComPtr<IWbemClassObject> definition;
                check(services->GetObject(Bstr(className), 0, nullptr, definition.put(), nullptr),
                      className + QStringLiteral(": no such class"));
            }
            return std::nullopt;
        }
        state = State::Running;
        return instanceOf(object, className);
    });
}

Instrumentation WindowsSource::instrumentation(const QString &wmiNamespace)
{
    return Instrumentation([wmiNamespace] { return std::make_shared<WindowsSource>(wmiNamespace); });
}

} // namespace inventory::windowssource
