#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <orvane/kernel/geometry/aabb.hpp>
#include <orvane/kernel/geometry/distance.hpp>

namespace orvane {
namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

std::vector<index_t> sorted(std::vector<index_t> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// Random segments as elements (their boxes in the tree), with a few invalid boxes
// mixed in so that the tree must leave them out.
struct Scene {
    std::vector<Segment2D> segments;
    std::vector<BoundingBox2D> boxes;

    Scene(index_t n, unsigned seed, bool with_invalid) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> coord(0, 100);
        std::uniform_real_distribution<double> size(-3, 3);
        for (index_t i = 0; i < n; ++i) {
            const Point2D a{{coord(rng), coord(rng)}};
            const Point2D b{{a.value(0) + size(rng), a.value(1) + size(rng)}};
            segments.emplace_back(a, b);
            BoundingBox2D box{a, b};
            if (with_invalid && i % 17 == 5) {
                box.add_point(Point2D{{nan, 1}});
            } else if (with_invalid && i % 23 == 7) {
                box = BoundingBox2D{};
            }
            boxes.push_back(box);
        }
    }
};

Point2D random_point(std::mt19937& rng) {
    std::uniform_real_distribution<double> coord(-5, 105);
    return Point2D{{coord(rng), coord(rng)}};
}

TEST(AABBTree, QueriesMatchBruteForce) {
    const Scene scene(2000, 1, true);
    const AABBTree2D tree{scene.boxes};
    EXPECT_EQ(tree.nb_bboxes(), 2000u);
    index_t nb_valid = 0;
    for (const auto& b : scene.boxes)
        nb_valid += b.is_valid() ? 1 : 0;
    EXPECT_EQ(tree.nb_leaves(), nb_valid);
    EXPECT_LT(nb_valid, 2000u);

    std::mt19937 rng(2);
    for (int q = 0; q < 300; ++q) {
        const Point2D p = random_point(rng);
        std::vector<index_t> contain, near;
        for (index_t i = 0; i < scene.boxes.size(); ++i) {
            if (scene.boxes[i].contains(p))
                contain.push_back(i);
            if (scene.boxes[i].epsilon_contains(p))
                near.push_back(i);
        }
        EXPECT_EQ(sorted(tree.containing_boxes(p)), contain);
        EXPECT_EQ(sorted(tree.epsilon_containing_boxes(p)), near);

        const Segment2D s{p, random_point(rng)};
        std::vector<index_t> walk;
        for (index_t i = 0; i < scene.boxes.size(); ++i) {
            if (scene.boxes[i].epsilon_intersects(s))
                walk.push_back(i);
        }
        EXPECT_EQ(sorted(tree.segment_intersecting_boxes(s)), walk);

        const BoundingBox2D query{p, p + Vector2D{{4, 2}}};
        std::vector<index_t> overlap;
        for (index_t i = 0; i < scene.boxes.size(); ++i) {
            if (scene.boxes[i].intersects(query))
                overlap.push_back(i);
        }
        EXPECT_EQ(sorted(tree.intersecting_boxes(query)), overlap);
    }
}

TEST(AABBTree, ClosestElementMatchesBruteForce) {
    const Scene scene(3000, 3, true);
    const AABBTree2D tree{scene.boxes};
    const auto distance = [&scene](const Point2D& q, index_t e) {
        return point_segment_distance(q, scene.segments[e]);
    };
    std::mt19937 rng(4);
    for (int q = 0; q < 300; ++q) {
        const Point2D p = random_point(rng);
        double best = std::numeric_limits<double>::infinity();
        for (index_t i = 0; i < scene.boxes.size(); ++i) {
            if (scene.boxes[i].is_valid()) {
                best = std::min(best, std::get<0>(distance(p, i)));
            }
        }
        const auto [element, d, nearest] = tree.closest_element(p, distance);
        ASSERT_NE(element, NO_ID);
        EXPECT_TRUE(scene.boxes[element].is_valid());
        EXPECT_EQ(d, best);
        EXPECT_EQ(d, std::get<0>(distance(p, element)));
        EXPECT_EQ(nearest, std::get<1>(distance(p, element)));
    }
}

TEST(AABBTree, PairQueriesMatchBruteForce) {
    const Scene a(600, 5, true);
    const Scene b(400, 6, false);
    const AABBTree2D tree_a{a.boxes};
    const AABBTree2D tree_b{b.boxes};

    std::set<std::pair<index_t, index_t>> expected_self, found_self;
    for (index_t i = 0; i < a.boxes.size(); ++i) {
        for (index_t j = i + 1; j < a.boxes.size(); ++j) {
            if (a.boxes[i].intersects(a.boxes[j]))
                expected_self.emplace(i, j);
        }
    }
    tree_a.intersecting_box_pairs([&](index_t i, index_t j) {
        EXPECT_NE(i, j);
        // Each unordered pair once.
        EXPECT_TRUE(found_self.emplace(std::min(i, j), std::max(i, j)).second);
    });
    EXPECT_EQ(found_self, expected_self);
    EXPECT_FALSE(expected_self.empty());

    std::set<std::pair<index_t, index_t>> expected_cross, found_cross;
    for (index_t i = 0; i < a.boxes.size(); ++i) {
        for (index_t j = 0; j < b.boxes.size(); ++j) {
            if (a.boxes[i].intersects(b.boxes[j]))
                expected_cross.emplace(i, j);
        }
    }
    tree_a.intersecting_box_pairs(tree_b, [&](index_t i, index_t j) {
        EXPECT_TRUE(found_cross.emplace(i, j).second);
    });
    EXPECT_EQ(found_cross, expected_cross);
}

// Every tree size up to a few hundred: the implicit layout must address all leaves
// (sizes that are not powers of two make the right halves deeper).
TEST(AABBTree, EverySizeFindsEveryElement) {
    for (index_t n = 1; n <= 300; n += (n < 40 ? 1 : 37)) {
        const Scene scene(n, 10 + n, false);
        const AABBTree2D tree{scene.boxes};
        for (index_t i = 0; i < n; ++i) {
            const auto found = tree.containing_boxes(scene.boxes[i].center());
            EXPECT_TRUE(std::find(found.begin(), found.end(), i) != found.end())
                << n << " " << i;
        }
        std::vector<index_t> all;
        BoundingBox2D everything = tree.bounding_box();
        tree.intersecting_boxes(everything, [&all](index_t e) { all.push_back(e); });
        ASSERT_EQ(all.size(), n);
        std::sort(all.begin(), all.end());
        for (index_t i = 0; i < n; ++i)
            ASSERT_EQ(all[i], i);
    }
}

TEST(AABBTree, ActionReturningTrueStopsTheQuery) {
    // Identical boxes: every query matches all of them.
    const std::vector<BoundingBox2D> boxes(
        50, BoundingBox2D{Point2D{{0, 0}}, Point2D{{1, 1}}});
    const AABBTree2D tree{boxes};
    int calls = 0;
    const auto stop = [&calls](index_t) {
        ++calls;
        return true;
    };
    EXPECT_TRUE(tree.segment_intersecting_boxes(
        Segment2D{Point2D{{-1, 0.5}}, Point2D{{2, 0.5}}}, stop));
    EXPECT_EQ(calls, 1);
    calls = 0;
    EXPECT_TRUE(tree.containing_boxes(Point2D{{0.5, 0.5}}, stop));
    EXPECT_EQ(calls, 1);
    calls = 0;
    EXPECT_TRUE(tree.intersecting_box_pairs([&calls](index_t, index_t) {
        ++calls;
        return calls == 3;
    }));
    EXPECT_EQ(calls, 3);
    calls = 0;
    EXPECT_FALSE(tree.containing_boxes(Point2D{{0.5, 0.5}}, [&calls](index_t) {
        ++calls;
        return false;
    }));
    EXPECT_EQ(calls, 50);
}

TEST(AABBTree, EmptyAndSingleBox) {
    const AABBTree2D empty;
    const AABBTree2D from_nothing{std::vector<BoundingBox2D>{}};
    const Segment2D s{Point2D{{-1, -1}}, Point2D{{1, 1}}};
    for (const AABBTree2D* tree : {&empty, &from_nothing}) {
        EXPECT_EQ(tree->nb_bboxes(), 0u);
        EXPECT_FALSE(tree->bounding_box().is_valid());
        EXPECT_TRUE(tree->containing_boxes(Point2D{{0, 0}}).empty());
        EXPECT_TRUE(tree->segment_intersecting_boxes(s).empty());
        EXPECT_TRUE(
            tree->intersecting_boxes(BoundingBox2D{Point2D{{0, 0}}, Point2D{{1, 1}}})
                .empty());
        EXPECT_FALSE(
            tree->intersecting_box_pairs([](index_t, index_t) { ADD_FAILURE(); }));
        const auto [element, d, p] =
            tree->closest_element(Point2D{{0, 0}}, [](const Point2D& q, index_t) {
                return std::pair{0., q};
            });
        EXPECT_EQ(element, NO_ID);
        EXPECT_TRUE(std::isinf(d));
    }

    const AABBTree2D single{
        std::vector<BoundingBox2D>{BoundingBox2D{Point2D{{0, 0}}, Point2D{{1, 1}}}}};
    EXPECT_EQ(single.containing_boxes(Point2D{{1, 1}}), std::vector<index_t>{0});
    EXPECT_TRUE(single.containing_boxes(Point2D{{2, 1}}).empty());
    EXPECT_EQ(single.segment_intersecting_boxes(s), std::vector<index_t>{0});
    EXPECT_FALSE(single.intersecting_box_pairs([](index_t, index_t) { ADD_FAILURE(); }));
    const auto [element, d, p] =
        single.closest_element(Point2D{{4, 5}}, [&single](const Point2D& q, index_t) {
            const BoundingBox2D box = single.bounding_box();
            return std::pair{box.distance(q), box.max()};
        });
    EXPECT_EQ(element, 0u);
    EXPECT_DOUBLE_EQ(d, 5);
    EXPECT_EQ(p, (Point2D{{1, 1}}));
}

TEST(AABBTree, NaNQueriesAndBoxes) {
    std::vector<BoundingBox2D> boxes{BoundingBox2D{Point2D{{0, 0}}, Point2D{{1, 1}}},
                                     BoundingBox2D{Point2D{{nan, 0}}, Point2D{{1, 1}}},
                                     BoundingBox2D{Point2D{{0, 0}}, Point2D{{2, 2}}}};
    const AABBTree2D tree{boxes};
    EXPECT_EQ(tree.nb_leaves(), 2u);
    EXPECT_EQ(sorted(tree.containing_boxes(Point2D{{0.5, 0.5}})),
              (std::vector<index_t>{0, 2}));
    EXPECT_TRUE(tree.containing_boxes(Point2D{{nan, 0.5}}).empty());
    EXPECT_TRUE(
        tree.segment_intersecting_boxes(Segment2D{Point2D{{nan, 0}}, Point2D{{1, 1}}})
            .empty());
    const auto box_distance = [&boxes](const Point2D& q, index_t e) {
        return std::pair{boxes[e].distance(q), q};
    };
    const auto [element, d, p] = tree.closest_element(Point2D{{nan, 0}}, box_distance);
    EXPECT_EQ(element, NO_ID);
    EXPECT_TRUE(std::isnan(d));
    // A functor answering NaN: that element is no candidate.
    const auto [e2, d2, p2] =
        tree.closest_element(Point2D{{5, 5}}, [&boxes](const Point2D& q, index_t e) {
            return std::pair{e == 2 ? nan : boxes[e].distance(q), q};
        });
    EXPECT_EQ(e2, 0u);
    EXPECT_DOUBLE_EQ(d2, std::sqrt(32.));
    // Infinite boxes are ordinary and sortable.
    const AABBTree2D infinite{std::vector<BoundingBox2D>{
        BoundingBox2D{Point2D{{-HUGE_VAL, -HUGE_VAL}}, Point2D{{HUGE_VAL, HUGE_VAL}}},
        BoundingBox2D{Point2D{{0, 0}}, Point2D{{HUGE_VAL, 1}}},
        BoundingBox2D{Point2D{{0, 0}}, Point2D{{1, 1}}}}};
    EXPECT_EQ(sorted(infinite.containing_boxes(Point2D{{1e300, 0.5}})),
              (std::vector<index_t>{0, 1}));
}

}  // namespace
}  // namespace orvane
