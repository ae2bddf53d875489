#pragma once

#include <memory>
#include <string_view>

#include <absl/types/span.h>

#include <orvane/kernel/mesh/edged_curve.hpp>
#include <orvane/kernel/mesh/point_set.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/macro/common/element_insertion_info.hpp>
#include <orvane/surface/modifier/background_surface_modifier.hpp>
#include <orvane/toolkit/modifier/common/mapping.hpp>

namespace orvane::internal {

class BackgroundSurface;
class BackgroundSurfaceBuilder;
struct BackgroundSurfaceInserterTestAccess;

// Puts input entities into a background: point sets, curves, surfaces and the isolines
// of a scalar vertex function. Every input vertex becomes a background vertex at exactly
// its input position, carrying its macro vertex.
//
// While the inserter lives, every border edge carries a temporary macro edge of a
// private "skin" entity (so that no optimisation re-routes the border), and the
// inserter keeps a copy of the border as a curve with a box tree, to find where input
// edges cross it. The destructor removes those macro edges and cleans the mesh
// (clean()), which renumbers vertices, edges and triangles.
//
// Changes go through the modifier and the builder given at construction, which must
// outlive the inserter. Failures are exceptions; what was inserted before a failure
// stays in the background. Neither copyable nor movable: the border tags belong to
// this object's lifetime.
class BackgroundSurfaceInserter {
public:
    BackgroundSurfaceInserter(ModifiableObject<BackgroundSurface> background,
                              BackgroundSurfaceBuilder& builder);
    ~BackgroundSurfaceInserter();

    BackgroundSurfaceInserter(const BackgroundSurfaceInserter&) = delete;
    BackgroundSurfaceInserter& operator=(const BackgroundSurfaceInserter&) = delete;
    BackgroundSurfaceInserter(BackgroundSurfaceInserter&&) = delete;
    BackgroundSurfaceInserter& operator=(BackgroundSurfaceInserter&&) = delete;

    // Inserts every point of `point_set` (see insert_point_set_points).
    ElementInsertionInfo insert_point_set(const PointSet<2>& point_set);
    // Inserts the listed points, in the given order: each point inside the background
    // becomes a background vertex at exactly its position, carrying the macro vertex
    // (point set id, index). Points outside are recorded with status OUTSIDE (3) and
    // counted in one info line; points with a NaN or infinite coordinate are recorded
    // with status NOT_INSERTED (2) and reported in a warning. Inserted points get no
    // entry.
    ElementInsertionInfo insert_point_set_points(const PointSet<2>& point_set,
                                                 absl::Span<const unsigned int> vertices);

    ElementInsertionInfo insert_curve(const EdgedCurve<2>& curve);
    ElementInsertionInfo insert_curve_edges(const EdgedCurve<2>& curve,
                                            absl::Span<const unsigned int> edges);

    ElementInsertionInfo insert_surface(const TriangulatedSurface<2>& surface);
    ElementInsertionInfo insert_surface_triangles(
        const TriangulatedSurface<2>& surface, absl::Span<const unsigned int> triangles);

    // For each isovalue, makes its isoline of the vertex attribute `attribute_name`
    // (VariableAttribute<double>, created with default 0 when missing) run along
    // background vertices: edges crossed by the value (linear interpolation) are split
    // at the crossing, unless an end lies within 1e-6 of it; every vertex on the
    // isoline is tagged once with a macro vertex of a fresh entity per isovalue and
    // gets exactly the isovalue. No optimisation runs. Throws VelmoraBasicException
    // when an attribute of that name exists with another storage.
    void insert_scalar_function_isovalues(std::string_view attribute_name,
                                          absl::Span<const double> isovalues);

private:
    friend struct BackgroundSurfaceInserterTestAccess;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane::internal
