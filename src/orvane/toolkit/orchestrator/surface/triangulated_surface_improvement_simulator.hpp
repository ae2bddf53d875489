#pragma once

#include <absl/container/inlined_vector.h>
#include <absl/types/span.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/triangle.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/toolkit/modifier/surface/internal_distances.hpp>

namespace orvane {

template <index_t dimension>
class TriangulatedSurfaceImprovementSimulator;

// What the optimisers ask before and after simulating a local operation: does a
// triangle need work (`require_improvement`), how good is a triangle (`metric`, larger
// is better), which of two values is the worse (`worst`), and would the simulated
// triangles be better than the ones they replace (`is_better_after_simulation`).
// Stateless at this level; copyable so that a caller can hand a configured one around.
template <>
class TriangulatedSurfaceImprovementSimulator<2> {
public:
    // The metrics of the triangles an operation replaces (`before`) and of those it
    // would create (`after`), in no particular order.
    struct TrianglesMetrics {
        absl::InlinedVector<double, 10> before;
        absl::InlinedVector<double, 10> after;
    };

    TriangulatedSurfaceImprovementSimulator(
        const TriangulatedSurfaceImprovementSimulator&) = default;
    TriangulatedSurfaceImprovementSimulator& operator=(
        const TriangulatedSurfaceImprovementSimulator&) = default;

    // ---- Virtual operations (this declaration order is part of the contract) -------

    virtual ~TriangulatedSurfaceImprovementSimulator();
    // Whether the triangle of the surface needs work.
    virtual bool require_improvement(const TriangulatedSurface<2>& surface,
                                     unsigned int triangle) const = 0;
    // The worse of two metric values.
    virtual double worst(double metric0, double metric1) const = 0;
    // Whether the worst of `after` is strictly better than the worst of `before`.
    virtual bool is_better_after_simulation(const TrianglesMetrics& metrics) const = 0;
    // The value of one triangle; larger is better.
    virtual double metric(const Triangle<2>& triangle) const = 0;

    // ---- Non-virtual helpers ------------------------------------------------------

    // The worst metric of the triangles; `empty_value` for none.
    double worst_metric(absl::Span<const Triangle<2>> triangles,
                        double empty_value) const;

protected:
    TriangulatedSurfaceImprovementSimulator() = default;
};

template <index_t dimension>
class TriangulatedSurfaceInternalDistanceImprovementSimulator;

// A simulator that remembers the internal distances (internal_distances.hpp) of the
// triangle it last looked at, for the optimisers to classify it by. The list is held in
// place for up to ten distances. `require_improvement` is const for the optimisers but
// fills the list, so the list is the simulator's scratch state: one simulator serves
// one optimiser at a time.
//
// `worst` is the smaller value and `is_better_after_simulation` asks for a strictly
// larger worst value after the operation: metrics are "larger is better" (a distance, a
// quality).
template <>
class TriangulatedSurfaceInternalDistanceImprovementSimulator<2>
    : public TriangulatedSurfaceImprovementSimulator<2> {
public:
    TriangulatedSurfaceInternalDistanceImprovementSimulator() = default;
    TriangulatedSurfaceInternalDistanceImprovementSimulator(
        const TriangulatedSurfaceInternalDistanceImprovementSimulator&) = default;
    TriangulatedSurfaceInternalDistanceImprovementSimulator& operator=(
        const TriangulatedSurfaceInternalDistanceImprovementSimulator&) = default;
    // Takes the list over; the source is left empty.
    TriangulatedSurfaceInternalDistanceImprovementSimulator(
        TriangulatedSurfaceInternalDistanceImprovementSimulator&& other) noexcept;
    TriangulatedSurfaceInternalDistanceImprovementSimulator& operator=(
        TriangulatedSurfaceInternalDistanceImprovementSimulator&& other) noexcept;
    ~TriangulatedSurfaceInternalDistanceImprovementSimulator() override;

    double worst(double metric0, double metric1) const override;
    bool is_better_after_simulation(const TrianglesMetrics& metrics) const override;

    // The distances stored by the last set_internal_distances (by the last
    // require_improvement of the derived simulators); empty for a fresh simulator.
    const InternalDistances& internal_distances() const { return internal_distances_; }

protected:
    void set_internal_distances(InternalDistances distances) const;

private:
    mutable InternalDistances internal_distances_;
};

template <index_t dimension>
class TriangulatedSurfaceOptimizerImprovementSimulator;

// The simulator of the quality optimisers.
//
// Metric: the smallest angle divided by 60 degrees (triangle_angle_quality), in [0, 1]:
// 1 for an equilateral triangle, 0 for a flat, inverted or collapsed one. Swaps judged
// by it are the max-min angle flips of a Delaunay triangulation, so the optimiser
// drives the flagged triangles towards the best smallest angle their vertices allow.
//
// A triangle needs improvement when it has a bad internal distance (a short edge, a
// vertex within the tolerance of its opposite edge, or a double adjacency; tolerance
// GLOBAL_EPSILON) or its metric is below `quality_threshold()` = 0.75 (a smallest angle
// under 45 degrees, so that right triangles are left alone). Flips only among the
// triangles under 30 degrees stall short of the Delaunay smallest angle (about 0.91 of
// it on a jittered grid); at 45 degrees they reach 0.99 of it, for about ten times the
// work. The distances found are stored for the optimiser's classification; a triangle
// flagged for its angle alone stores an empty list.
template <>
class TriangulatedSurfaceOptimizerImprovementSimulator<2>
    : public TriangulatedSurfaceInternalDistanceImprovementSimulator<2> {
public:
    static constexpr double quality_threshold() { return 0.75; }

    TriangulatedSurfaceOptimizerImprovementSimulator() = default;
    TriangulatedSurfaceOptimizerImprovementSimulator(
        const TriangulatedSurfaceOptimizerImprovementSimulator&) = default;
    TriangulatedSurfaceOptimizerImprovementSimulator& operator=(
        const TriangulatedSurfaceOptimizerImprovementSimulator&) = default;
    TriangulatedSurfaceOptimizerImprovementSimulator(
        TriangulatedSurfaceOptimizerImprovementSimulator&&) noexcept = default;
    TriangulatedSurfaceOptimizerImprovementSimulator& operator=(
        TriangulatedSurfaceOptimizerImprovementSimulator&&) noexcept = default;
    ~TriangulatedSurfaceOptimizerImprovementSimulator() override;

    bool require_improvement(const TriangulatedSurface<2>& surface,
                             unsigned int triangle) const override;
    double metric(const Triangle<2>& triangle) const override;
};

// 4 * sqrt(3) * area / (sum of the squared edge lengths), in [0, 1]: 1 for an
// equilateral triangle, 0 for a flat, inverted or collapsed one; about sqrt(3) times the
// smallest angle (in radians) for a needle. Cheap (no trigonometry): the decimator's
// quality floor is in this measure.
double triangle_quality(const Triangle<2>& triangle);

// The smallest angle over 60 degrees, in [0, 1]; 0 for a flat, inverted or collapsed
// triangle. The metric of TriangulatedSurfaceOptimizerImprovementSimulator<2>.
double triangle_angle_quality(const Triangle<2>& triangle);

using TriangulatedSurfaceImprovementSimulator2D =
    TriangulatedSurfaceImprovementSimulator<2>;
using TriangulatedSurfaceInternalDistanceImprovementSimulator2D =
    TriangulatedSurfaceInternalDistanceImprovementSimulator<2>;
using TriangulatedSurfaceOptimizerImprovementSimulator2D =
    TriangulatedSurfaceOptimizerImprovementSimulator<2>;

}  // namespace orvane
