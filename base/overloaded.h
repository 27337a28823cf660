#pragma once
// One visitor from several lambdas, for std::visit: a kind without a matching lambda does not
// compile.

namespace cw {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
// Not every compiler we build with deduces an aggregate's arguments yet.
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

}  // namespace cw
