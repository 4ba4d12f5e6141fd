#pragma once

#include <QString>

#include <windows.h>

#include <oleauto.h>
#include <unknwn.h>

#include <utility>

namespace inventory::windowssource {

// Owns one reference to a COM interface and releases it when dropped.
template <typename T>
class ComPtr
{
public:
    ComPtr() = default;
    ComPtr(const ComPtr &other) : m_ptr(other.m_ptr) { addRef(); }
    ComPtr(ComPtr &&other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr &operator=(ComPtr other) noexcept
    {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }
    ~ComPtr() { reset(); }

    T *get() const { return m_ptr; }
    T *operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

    // For the out-parameter of a COM call: drops what was held first.
    T **put()
    {
        reset();
        return &m_ptr;
    }
    void **putVoid() { return reinterpret_cast<void **>(put()); }

    void reset()
    {
        if (m_ptr)
            std::exchange(m_ptr, nullptr)->Release();
    }

private:
    void addRef()
    {
        if (m_ptr)
            m_ptr->AddRef();
    }
    T *m_ptr = nullptr;
};

// A BSTR made from a QString for one call, freed afterwards.
class Bstr
{
public:
    explicit Bstr(const QString &text)
        : m_text(SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.utf16()), UINT(text.size()))) {}
    Bstr(const Bstr &) = delete;
    Bstr &operator=(const Bstr &) = delete;
    ~Bstr() { SysFreeString(m_text); }
    operator BSTR() const { return m_text; }

private:
    BSTR m_text;
};

// A VARIANT that clears itself.
struct Variant
{
    Variant() { VariantInit(&value); }
    Variant(const Variant &) = delete;
    Variant &operator=(const Variant &) = delete;
    ~Variant() { VariantClear(&value); }
    VARIANT value;
};

inline QString fromBstr(BSTR text)
{
    return text ? QString::fromWCharArray(text, int(SysStringLen(text))) : QString();
}

} // namespace inventory::windowssource
