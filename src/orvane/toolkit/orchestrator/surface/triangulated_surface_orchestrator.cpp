#include <orvane/toolkit/orchestrator/surface/triangulated_surface_orchestrator.hpp>

namespace orvane {

// Compiled once here, for the triangle-index optimisers and the edge decimator.
template class ModifiableObjectOrchestrator<TriangulatedSurface<2>, unsigned int>;
template class ModifiableObjectOrchestrator<TriangulatedSurface<2>, SurfaceEdge<2>>;
template class TriangulatedSurfaceOrchestrator<2, unsigned int>;
template class TriangulatedSurfaceOrchestrator<2, SurfaceEdge<2>>;

}  // namespace orvane
