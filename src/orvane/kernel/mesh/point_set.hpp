#pragma once

#include <memory>
#include <vector>

#include <absl/types/span.h>

#include <orvane/kernel/geometry/bounding_box.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/mesh/vertex_set.hpp>

namespace orvane {

template <index_t dimension>
class PointSetBuilder;

template <index_t dimension>
class PointSet : public VertexSet {
public:
    PointSet();
    ~PointSet() override;
    PointSet(PointSet&& other) noexcept;
    PointSet& operator=(PointSet&& other) noexcept;

    static std::unique_ptr<PointSet> create();
    std::unique_ptr<PointSet> clone() const;

    const Point<dimension>& point(index_t vertex) const;
    BoundingBox<dimension> bounding_box() const;

private:
    friend class PointSetBuilder<dimension>;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

template <index_t dimension>
class PointSetBuilder : public VertexSetBuilder {
public:
    explicit PointSetBuilder(PointSet<dimension>& point_set);
    ~PointSetBuilder() override;

    static std::unique_ptr<PointSetBuilder> create(PointSet<dimension>& point_set);

    index_t create_point(const Point<dimension>& point);
    index_t create_points(absl::Span<const Point<dimension>> points);
    void set_point(index_t vertex, const Point<dimension>& point);
    // Returns old-to-new (NO_ID for removed vertices).
    std::vector<index_t> delete_vertices(const std::vector<bool>& to_delete);

private:
    PointSet<dimension>& point_set_;
};

using PointSet2D = PointSet<2>;
using PointSetBuilder2D = PointSetBuilder<2>;

}  // namespace orvane
