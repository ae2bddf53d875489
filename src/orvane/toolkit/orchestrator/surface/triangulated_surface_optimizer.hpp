#pragma once

#include <optional>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/triangle.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/toolkit/modifier/surface/constraint_modifier.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_constraint_modifier.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_improvement_simulator.hpp>
#include <orvane/toolkit/orchestrator/surface/triangulated_surface_orchestrator.hpp>

namespace orvane {

template <index_t dimension>
class TriangulatedSurfaceInternalDistanceOptimizer;

// The frame of the triangle optimisers: the queue engine over triangle indices, with a
// simulator that says which triangles need work and remembers why.
//
// skip_element: a triangle beyond the mesh, one a modifier has deactivated, or one the
// simulator does not flag (require_improvement false) is skipped.
//
// process_element classifies the triangle by the simulator's internal distances, the
// first of the list deciding (double adjacencies come first, then short edges, then
// vertices close to their opposite edge); a triangle flagged without a bad distance
// (for its quality, say) is classified by minimal_triangle_internal_distance: a short
// edge is a vertex-vertex configuration, a small height an edge-vertex one. The
// matching handler is called with the engine's current level; when it yields nothing,
// default_failed_result(triangle) is the answer.
//
// The simulator and the constraint modifier belong to the caller and must outlive the
// optimiser.
template <>
class TriangulatedSurfaceInternalDistanceOptimizer<2>
    : public TriangulatedSurfaceOrchestrator<2, unsigned int> {
public:
    using ProcessElementResult = Orchestrator<unsigned int>::ProcessElementResult;

    ~TriangulatedSurfaceInternalDistanceOptimizer() override;

    const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator() const {
        return *simulator_;
    }

protected:
    TriangulatedSurfaceInternalDistanceOptimizer(
        TriangulatedSurfaceConstraintModifier<2>& modifier,
        const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator);
    TriangulatedSurfaceInternalDistanceOptimizer(
        TriangulatedSurfaceInternalDistanceOptimizer&&) = default;

    bool skip_element(const unsigned int& triangle) const override;
    ProcessElementResult process_element(const unsigned int& triangle) override;

    // Two vertices of `edge` closer than the tolerance (or, for a triangle flagged for
    // its quality, `edge` is its shortest one).
    virtual std::optional<ProcessElementResult> process_vertex_vertex_configuration(
        const PolygonEdge& edge, unsigned int level) = 0;
    // `vertex` is a double adjacency.
    virtual std::optional<ProcessElementResult> process_double_adjacency_configuration(
        unsigned int vertex, unsigned int level) = 0;
    // The apex of `edge` (the vertex of its triangle opposite it) is close to it.
    virtual std::optional<ProcessElementResult> process_edge_vertex_configuration(
        const PolygonEdge& edge, unsigned int level) = 0;
    // The answer when the handler yields nothing.
    virtual ProcessElementResult default_failed_result(unsigned int triangle) const = 0;

private:
    const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>* simulator_;
};

template <index_t dimension>
class TriangulatedSurfaceOptimizer;

// Improves the triangles the simulator flags by swaps, edge collapses and
// double-adjacency removal, each done only when it raises the simulator's worst metric
// over the triangles it replaces (or lowers their number of bad triangles), so the
// worst metric of the mesh never decreases:
// - vertex-vertex (a short edge): the best collapse of the edge; else the best swap
//   among the triangle's three edges;
// - edge-vertex (a small height): the best swap among the triangle's three edges, the
//   edge itself first on ties; else the best collapse of the two edges at the apex;
// - double adjacency: its removal through the constraint modifier (which keeps an
//   immutable vertex); a removal the modifier refuses yields nothing.
// A collapse keeps the kept vertex where it is. Before every swap it asks
// is_swap_edge_allowed, before every collapse allowed_collapse_edge (both overridable;
// by default the constraint predicates), then simulates: an operation that would
// invert a triangle or add a bad one is not done.
//
// One level (a triangle gets a second attempt only when it comes up as the last
// chance), and the guards end the run quietly. A triangle whose handler yields nothing
// is handed back as a retry. The run is bounded by the engine's step limit (30 times
// the initial queue length) and failure limit.
template <>
class TriangulatedSurfaceOptimizer<2>
    : public TriangulatedSurfaceInternalDistanceOptimizer<2> {
public:
    TriangulatedSurfaceOptimizer(
        TriangulatedSurfaceConstraintModifier<2>& modifier,
        const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator);
    TriangulatedSurfaceOptimizer(TriangulatedSurfaceOptimizer&&) = default;
    ~TriangulatedSurfaceOptimizer() override;

protected:
    bool skip_on_infinite_loop() const override;
    unsigned int nb_levels() const override;
    std::optional<ProcessElementResult> process_vertex_vertex_configuration(
        const PolygonEdge& edge, unsigned int level) override;
    std::optional<ProcessElementResult> process_double_adjacency_configuration(
        unsigned int vertex, unsigned int level) override;
    std::optional<ProcessElementResult> process_edge_vertex_configuration(
        const PolygonEdge& edge, unsigned int level) override;
    ProcessElementResult default_failed_result(unsigned int triangle) const override;

    // Asked before every swap.
    virtual bool is_swap_edge_allowed(const PolygonEdge& edge) const;
    // Asked before every collapse.
    virtual ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge(
        const PolygonEdge& edge) const;

    // The outcome of a simulated operation: bad triangles and worst metric after it.
    struct Candidate {
        enum struct KIND : std::uint8_t { swap, collapse };
        KIND kind{KIND::swap};
        PolygonEdge edge;
        ConstraintModifier::OrientedEdgeVertices vertices;
        index_t nb_bad{0};
        double worst{0};
    };
    // The swap of `edge` when it is allowed and improves its two triangles.
    std::optional<Candidate> evaluate_swap(const PolygonEdge& edge) const;
    // The collapse of `edge` with `vertices.removed` merged into `vertices.kept` (kept
    // in place) when it is allowed and improves the triangles around the removed vertex.
    // The verdict is the caller's.
    std::optional<Candidate> evaluate_collapse(
        const PolygonEdge& edge,
        const ConstraintModifier::OrientedEdgeVertices& vertices) const;
    // The collapses of `edge` its allowed_collapse_edge verdict permits, best first.
    void add_collapse_candidates(const PolygonEdge& edge,
                                 std::optional<Candidate>& best) const;
    // Keeps the better of the two in `best`.
    void keep_best(std::optional<Candidate> candidate,
                   std::optional<Candidate>& best) const;
    // Does the operation; the result names the triangles it changed.
    ProcessElementResult apply_candidate(const Candidate& candidate);

    // The candidate replacing `before` by `after` when it has no more bad triangles and,
    // with as many, a better worst metric; `empty_worst` is its worst when `after` is
    // empty.
    std::optional<Candidate> make_candidate(
        Candidate::KIND kind, const PolygonEdge& edge,
        const ConstraintModifier::OrientedEdgeVertices& vertices,
        absl::Span<const Triangle<2>> before, absl::Span<const Triangle<2>> after,
        index_t nb_bad_after, double empty_worst) const;
};

template <index_t dimension>
class TriangulatedSurfaceShiftOptimizer;

// The optimiser with vertex shifting for edge-vertex configurations: when no swap or
// collapse improves the triangle, its apex is moved towards the centroid of its
// neighbours (the centroid, then half-way to it), when that raises the worst metric of
// the triangles around it without inverting any.
//
// Only a vertex that may be moved without losing anything is shifted: not immutable,
// not on the border, and one that allowed_collapse_edge would let be removed towards
// every neighbour (so an override that protects vertices carrying input entities
// protects them from shifting too).
template <>
class TriangulatedSurfaceShiftOptimizer<2> : public TriangulatedSurfaceOptimizer<2> {
public:
    TriangulatedSurfaceShiftOptimizer(
        TriangulatedSurfaceConstraintModifier<2>& modifier,
        const TriangulatedSurfaceInternalDistanceImprovementSimulator<2>& simulator);
    TriangulatedSurfaceShiftOptimizer(TriangulatedSurfaceShiftOptimizer&&) = default;
    ~TriangulatedSurfaceShiftOptimizer() override;

protected:
    std::optional<ProcessElementResult> process_edge_vertex_configuration(
        const PolygonEdge& edge, unsigned int level) override;

    // Whether `vertex` may be moved at all (see the class comment).
    bool is_vertex_shift_allowed(index_t vertex) const;
    // Moves `vertex` to a better place when there is one.
    std::optional<ProcessElementResult> try_shift_vertex(index_t vertex);
};

using TriangulatedSurfaceInternalDistanceOptimizer2D =
    TriangulatedSurfaceInternalDistanceOptimizer<2>;
using TriangulatedSurfaceOptimizer2D = TriangulatedSurfaceOptimizer<2>;
using TriangulatedSurfaceShiftOptimizer2D = TriangulatedSurfaceShiftOptimizer<2>;

}  // namespace orvane
