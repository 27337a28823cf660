#pragma once
// Reference counting and QueryInterface for an object of ours that implements COM interfaces:
// `ComObject<Derived, I...>` answers IUnknown and each listed interface by its IID, all with one
// reference count, and deletes itself on the last Release. An interface listed beside one that
// derives from it (ISequentialStream beside IStream) is answered through that one, not inherited
// twice; a base that is not listed is not answered. `Derived` is the implementing class (deleted
// as itself, so no virtual destructor is needed in the interface).

#include <tuple>
#include <type_traits>

#include "base/win32.h"

namespace cw {

// The IID an interface is answered by: a static `iid` where we declared the interface by hand,
// else the SDK's through __uuidof.
template <typename Interface>
constexpr const IID& interface_iid()
{
    if constexpr (requires { Interface::iid; })
        return Interface::iid;
    else
        return __uuidof(Interface);
}

namespace detail {

template <typename... Interfaces>
struct InterfaceList {
    template <typename I>
    static constexpr bool inherited = !(... || (!std::is_same_v<I, Interfaces> && std::is_base_of_v<I, Interfaces>));
    using Inherited = decltype(std::tuple_cat(
        std::declval<std::conditional_t<inherited<Interfaces>, std::tuple<Interfaces>, std::tuple<>>>()...));
};

template <typename Tuple>
struct InheritAll;
template <typename... Bases>
struct InheritAll<std::tuple<Bases...>> : Bases... {
};

}  // namespace detail

template <typename Derived, typename... Interfaces>
class ComObject : public detail::InheritAll<typename detail::InterfaceList<Interfaces...>::Inherited> {
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown))
            *out = static_cast<IUnknown*>(static_cast<First*>(this));
        else
            (... || (IsEqualIID(iid, interface_iid<Interfaces>()) && (*out = static_cast<Interfaces*>(this))));
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
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
