#pragma once
// Reference counting and QueryInterface for an object of ours that implements one COM interface:
// it answers IUnknown and that interface with the same pointer, and deletes itself on the last
// Release. `Derived` is the implementing class (deleted as itself, so no virtual destructor is
// needed in the interface).

#include "base/win32.h"

namespace cw {

template <typename Derived, typename Interface, const IID& INTERFACE_IID>
class ComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, INTERFACE_IID)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete static_cast<Derived*>(this);
        return static_cast<ULONG>(left);
    }

private:
    LONG references_ = 1;
};

}  // namespace cw
