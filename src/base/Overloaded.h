#pragma once

namespace twinlens {

// One visitor of a variant from several lambdas, one per alternative:
// std::visit(Overloaded{[](const A&) {...}, [](const B&) {...}}, value). Without a catch-all
// lambda, an alternative added to the variant and handled by none stops the build.
template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

}  // namespace twinlens
