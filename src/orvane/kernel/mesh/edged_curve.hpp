#pragma once

#include <memory>

#include <absl/types/span.h>

#include <orvane/kernel/geometry/bounding_box.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/geometry/segment.hpp>
#include <orvane/kernel/mesh/graph.hpp>

namespace orvane {

template <index_t dimension>
class EdgedCurveBuilder;

// A graph whose vertices have points: polylines, curve networks, the skin of a surface.
template <index_t dimension>
class EdgedCurve : public Graph {
public:
    EdgedCurve();
    ~EdgedCurve() override;
    EdgedCurve(EdgedCurve&& other) noexcept;
    EdgedCurve& operator=(EdgedCurve&& other) noexcept;

    static std::unique_ptr<EdgedCurve> create();
    // Points, edges and every attribute.
    std::unique_ptr<EdgedCurve> clone() const;

    const Point<dimension>& point(index_t vertex) const;
    // From the edge's vertex 0 to its vertex 1.
    Segment<dimension> segment(index_t edge) const;
    double edge_length(index_t edge) const;
    Point<dimension> edge_barycenter(index_t edge) const;
    BoundingBox<dimension> bounding_box() const;

private:
    friend class EdgedCurveBuilder<dimension>;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

template <index_t dimension>
class EdgedCurveBuilder : public GraphBuilder {
public:
    explicit EdgedCurveBuilder(EdgedCurve<dimension>& curve);
    ~EdgedCurveBuilder() override;

    static std::unique_ptr<EdgedCurveBuilder> create(EdgedCurve<dimension>& curve);

    index_t create_point(const Point<dimension>& point);
    index_t create_points(absl::Span<const Point<dimension>> points);
    void set_point(index_t vertex, const Point<dimension>& point);

protected:
    void do_create_vertices(index_t first, index_t nb) override;
    void do_remap_vertices(absl::Span<const index_t> old2new, index_t new_size) override;

private:
    EdgedCurve<dimension>& curve_;
};

using EdgedCurve2D = EdgedCurve<2>;
using EdgedCurveBuilder2D = EdgedCurveBuilder<2>;

}  // namespace orvane
