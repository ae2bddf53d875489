#include <orvane/toolkit/orchestrator/common/orchestrator.hpp>

namespace orvane {

// The two engines the toolkit and the library build on: triangle indices (optimisers)
// and surface edges (decimator). Compiled once here so that every user links the same
// code from the shared library.
template class Orchestrator<unsigned int>;
template class Orchestrator<SurfaceEdge<2>>;

}  // namespace orvane
