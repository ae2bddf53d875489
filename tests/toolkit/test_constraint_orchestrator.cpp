// The two orchestrator layers over a constraint modifier: what they refer to, and a
// concrete orchestrator changing the surface through the writable accessors.

#include <orvane/toolkit/orchestrator/surface/triangulated_surface_orchestrator.hpp>

#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/grid_surface.hpp"
#include "test_constraint_support.hpp"

namespace orvane::test {
namespace {

// Splits edge 0 of every active triangle it is given, through the constraint modifier,
// and queues nothing more.
class SplitEveryTriangle : public TriangulatedSurfaceOrchestrator<2, unsigned int> {
public:
    explicit SplitEveryTriangle(TriangulatedSurfaceConstraintModifier<2>& modifier)
        : TriangulatedSurfaceOrchestrator<2, unsigned int>(modifier) {}
    std::vector<index_t> new_vertices;

private:
    bool skip_element(const unsigned int& t) const override {
        return !modifier().is_triangle_active(t);
    }
    ProcessElementResult process_element(const unsigned int& t) override {
        const PolygonEdge edge{t, 0};
        const auto point = object().edge_barycenter(edge);
        new_vertices.push_back(constraint_modifier().split_edge(edge, point).vertex);
        ProcessElementResult result;
        result.success = true;
        return result;
    }
    bool skip_on_infinite_loop() const override { return true; }
    unsigned int nb_levels() const override { return 1; }
};

TEST(ConstraintOrchestrator, LayersReferToTheCallersObjects) {
    ConstrainedSurface s{Grid{2, 2}.release()};
    s.constraints().forbidden_edges.add(0, 1);
    SplitEveryTriangle orchestrator{s.constrained};
    // The writable accessors are for concrete orchestrators; others read.
    const auto& view = orchestrator;
    EXPECT_EQ(&view.object(), s.surface.get());
    EXPECT_EQ(&view.modifier(), &s.modifier);
    EXPECT_EQ(&view.modifiable_object().modifier, &s.modifier);
    EXPECT_EQ(&view.constraint_modifier(), &s.constrained);

    // Triangle 0 runs (0, 1, 4), triangle 2 (1, 2, 5): their edges 0 are border edges,
    // the first of them forbidden. The first entry of 0 is stale, so 2 is split first.
    const std::vector<unsigned int> triangles{0, 2, 0};
    orchestrator.apply(triangles);
    ASSERT_EQ(orchestrator.new_vertices.size(), 2u);
    const index_t m = orchestrator.new_vertices.back();
    EXPECT_TRUE(s.constraints().forbidden_edges.contains(0, m));
    EXPECT_TRUE(s.constraints().forbidden_edges.contains(m, 1));
    EXPECT_FALSE(s.modifier.is_triangle_active(0));
    EXPECT_FALSE(s.modifier.is_triangle_active(2));
    EXPECT_TRUE(s.modifier.is_triangle_active(1));
}

}  // namespace
}  // namespace orvane::test
