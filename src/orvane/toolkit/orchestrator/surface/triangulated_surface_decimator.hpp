#pragma once

#include <optional>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/toolkit/modifier/surface/constraint_modifier.hpp>
#include <orvane/toolkit/modifier/surface/surface_edge.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_constraint_modifier.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_orchestrator.hpp>

namespace orvane {

template <index_t dimension>
class TriangulatedSurfaceDecimatorOperator;

// Which edges a decimator looks at: `skip_edge` true leaves the edge alone. Refers to
// the surface it was built for (caller-owned).
template <>
class TriangulatedSurfaceDecimatorOperator<2> {
public:
    TriangulatedSurfaceDecimatorOperator(const TriangulatedSurfaceDecimatorOperator&) =
        default;
    TriangulatedSurfaceDecimatorOperator& operator=(
        const TriangulatedSurfaceDecimatorOperator&) = delete;

    virtual ~TriangulatedSurfaceDecimatorOperator();
    virtual bool skip_edge(const TriangulatedSurface<2>& surface,
                           const PolygonEdge& edge) const = 0;

    const TriangulatedSurface<2>& surface() const { return surface_; }

protected:
    explicit TriangulatedSurfaceDecimatorOperator(const TriangulatedSurface<2>& surface)
        : surface_(surface) {}

private:
    const TriangulatedSurface<2>& surface_;
};

template <index_t dimension>
class TriangulatedSurfaceDecimator;

// Removes vertices by edge collapses, edge by edge, over the queue engine with
// SurfaceEdge<2> elements.
//
// skip_element: an edge whose vertex pair no active triangle uses any more, or whose
// end is isolated, or that the operator skips. The queued polygon edge may be stale
// (its triangle replaced since): the edge is found again from its vertex pair.
//
// process_element asks allowed_collapse_edge (overridable; by default the constraint
// predicate) which ends may go, and tries collapse_edge for each allowed direction, the
// better one first. A collapse keeps the kept vertex where it is and is done only when
// no triangle would be inverted or bad, and the worst quality (triangle_quality, in
// [0, 1]) of the triangles it reshapes stays at least `quality_floor()` = 0.3 (about a
// ten degree smallest angle), or, where the triangles are already worse than that, does
// not get worse. A success re-queues the edges around the kept vertex; a failure hands
// nothing back (the edge is looked at again when a neighbouring collapse re-queues it).
//
// One level, and the guards end the run quietly; the run is bounded by the engine's
// step limit (30 times the initial queue length) and failure limit. The operator and
// the constraint modifier belong to the caller and must outlive the decimator.
template <>
class TriangulatedSurfaceDecimator<2>
    : public TriangulatedSurfaceOrchestrator<2, SurfaceEdge<2>> {
public:
    using ProcessElementResult = Orchestrator<SurfaceEdge<2>>::ProcessElementResult;

    // A polygon edge and which of its two vertices is removed (merged into the kept).
    struct OrientedEdge {
        PolygonEdge polygon_edge;
        ConstraintModifier::OrientedEdgeVertices vertices;
    };

    static constexpr double quality_floor() { return 0.3; }

    TriangulatedSurfaceDecimator(
        TriangulatedSurfaceConstraintModifier<2>& modifier,
        const TriangulatedSurfaceDecimatorOperator<2>& decimator_operator);
    TriangulatedSurfaceDecimator(TriangulatedSurfaceDecimator&&) = default;
    ~TriangulatedSurfaceDecimator() override;

    const TriangulatedSurfaceDecimatorOperator<2>& decimator_operator() const {
        return *operator_;
    }

protected:
    bool skip_element(const SurfaceEdge<2>& edge) const override;
    ProcessElementResult process_element(const SurfaceEdge<2>& edge) override;
    bool skip_on_infinite_loop() const override;
    unsigned int nb_levels() const override;

    // Collapses the edge when the geometry allows it (see the class comment); nothing
    // when it does not. The verdict of allowed_collapse_edge is the caller's.
    virtual std::optional<ProcessElementResult> collapse_edge(const OrientedEdge& edge);
    // Asked before every collapse.
    virtual ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge(
        const PolygonEdge& edge) const;

    // The current polygon edge of an active triangle joining the vertex pair, if any.
    std::optional<PolygonEdge> find_polygon_edge(const SurfaceEdge<2>& edge) const;
    // Worst quality after the collapse, nothing when it would invert or spoil a triangle.
    std::optional<double> simulate_collapse(const OrientedEdge& edge) const;

private:
    const TriangulatedSurfaceDecimatorOperator<2>* operator_;
};

using TriangulatedSurfaceDecimatorOperator2D = TriangulatedSurfaceDecimatorOperator<2>;
using TriangulatedSurfaceDecimator2D = TriangulatedSurfaceDecimator<2>;

}  // namespace orvane
