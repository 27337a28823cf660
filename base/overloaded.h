#pragma once
// One visitor from several lambdas, for std::visit: a kind without a matching lambda does not
// compile.

namespace cw {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};

}  // namespace cw
