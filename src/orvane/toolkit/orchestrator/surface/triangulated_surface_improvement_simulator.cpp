#include <orvane/toolkit/orchestrator/surface/triangulated_surface_improvement_simulator.hpp>

#include <algorithm>
#include <cmath>
#include <utility>

namespace orvane {

TriangulatedSurfaceImprovementSimulator<2>::~TriangulatedSurfaceImprovementSimulator() =
    default;

double TriangulatedSurfaceImprovementSimulator<2>::worst_metric(
    absl::Span<const Triangle<2>> triangles, double empty_value) const {
    if (triangles.empty())
        return empty_value;
    double result = metric(triangles.front());
    for (std::size_t i = 1; i < triangles.size(); ++i) {
        result = worst(result, metric(triangles[i]));
    }
    return result;
}

TriangulatedSurfaceInternalDistanceImprovementSimulator<2>::
    TriangulatedSurfaceInternalDistanceImprovementSimulator(
        TriangulatedSurfaceInternalDistanceImprovementSimulator&& other) noexcept
    : TriangulatedSurfaceImprovementSimulator<2>(other),
      internal_distances_(std::move(other.internal_distances_)) {
    other.internal_distances_.clear();
}

TriangulatedSurfaceInternalDistanceImprovementSimulator<2>&
TriangulatedSurfaceInternalDistanceImprovementSimulator<2>::operator=(
    TriangulatedSurfaceInternalDistanceImprovementSimulator&& other) noexcept {
    if (this != &other) {
        internal_distances_ = std::move(other.internal_distances_);
        // An inlined vector's moved-from state is unspecified; the contract is empty.
        other.internal_distances_.clear();
    }
    return *this;
}

TriangulatedSurfaceInternalDistanceImprovementSimulator<
    2>::~TriangulatedSurfaceInternalDistanceImprovementSimulator() = default;

double TriangulatedSurfaceInternalDistanceImprovementSimulator<2>::worst(
    double metric0, double metric1) const {
    return std::min(metric0, metric1);
}

bool TriangulatedSurfaceInternalDistanceImprovementSimulator<
    2>::is_better_after_simulation(const TrianglesMetrics& metrics) const {
    if (metrics.after.empty())
        return !metrics.before.empty();
    if (metrics.before.empty())
        return false;
    double before = metrics.before.front();
    for (const double value : metrics.before)
        before = worst(before, value);
    double after = metrics.after.front();
    for (const double value : metrics.after)
        after = worst(after, value);
    // Strictly better, and not a tie that the order of worst() would hide.
    return worst(before, after) == before && after != before;
}

void TriangulatedSurfaceInternalDistanceImprovementSimulator<2>::set_internal_distances(
    InternalDistances distances) const {
    internal_distances_ = std::move(distances);
}

TriangulatedSurfaceOptimizerImprovementSimulator<
    2>::~TriangulatedSurfaceOptimizerImprovementSimulator() = default;

double triangle_quality(const Triangle<2>& triangle) {
    const auto& p = triangle.vertices();
    const double ux = p[1].value(0) - p[0].value(0);
    const double uy = p[1].value(1) - p[0].value(1);
    const double vx = p[2].value(0) - p[0].value(0);
    const double vy = p[2].value(1) - p[0].value(1);
    const double wx = p[2].value(0) - p[1].value(0);
    const double wy = p[2].value(1) - p[1].value(1);
    const double twice_area = ux * vy - uy * vx;
    const double squares = ux * ux + uy * uy + vx * vx + vy * vy + wx * wx + wy * wy;
    if (!(twice_area > 0) || !(squares > 0))
        return 0;
    // 4 sqrt(3) * area = 2 sqrt(3) * twice_area.
    return std::min(1., 2. * std::sqrt(3.) * twice_area / squares);
}

double triangle_angle_quality(const Triangle<2>& triangle) {
    const auto& p = triangle.vertices();
    double twice_area = 0;
    {
        const double ux = p[1].value(0) - p[0].value(0);
        const double uy = p[1].value(1) - p[0].value(1);
        const double vx = p[2].value(0) - p[0].value(0);
        const double vy = p[2].value(1) - p[0].value(1);
        twice_area = ux * vy - uy * vx;
    }
    if (!(twice_area > 0))
        return 0;
    // The smallest angle is opposite the shortest edge.
    local_index_t apex = 0;
    double shortest = -1;
    for (local_index_t k = 0; k < 3; ++k) {
        const auto& a = p[(k + 1) % 3];
        const auto& b = p[(k + 2) % 3];
        const double dx = b.value(0) - a.value(0);
        const double dy = b.value(1) - a.value(1);
        const double length2 = dx * dx + dy * dy;
        if (shortest < 0 || length2 < shortest) {
            shortest = length2;
            apex = k;
        }
    }
    const auto& o = p[apex];
    const auto& a = p[(apex + 1) % 3];
    const auto& b = p[(apex + 2) % 3];
    const double dot = (a.value(0) - o.value(0)) * (b.value(0) - o.value(0)) +
                       (a.value(1) - o.value(1)) * (b.value(1) - o.value(1));
    const double angle = std::atan2(twice_area, dot);
    return std::min(1., angle * 3. / 3.14159265358979323846);
}

bool TriangulatedSurfaceOptimizerImprovementSimulator<2>::require_improvement(
    const TriangulatedSurface<2>& surface, unsigned int triangle) const {
    InternalDistance::Options options;
    options.tolerance = GLOBAL_EPSILON;
    options.detect_double_adjacency = true;
    auto distances = fast_triangle_internal_distances(surface, triangle, options);
    const bool bad = !distances.empty();
    set_internal_distances(std::move(distances));
    return bad || metric(surface.triangle(triangle)) < quality_threshold();
}

double TriangulatedSurfaceOptimizerImprovementSimulator<2>::metric(
    const Triangle<2>& triangle) const {
    return triangle_angle_quality(triangle);
}

}  // namespace orvane
