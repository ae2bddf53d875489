#include <orvane/kernel/basic/attribute_manager.hpp>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <absl/container/inlined_vector.h>
#include <gtest/gtest.h>

namespace orvane {
namespace {

// A small struct of the kind the macro-information store keeps in inlined vectors.
struct Tag {
    int component;
    index_t index;
    bool operator==(const Tag& o) const {
        return component == o.component && index == o.index;
    }
};
using Tags = absl::InlinedVector<Tag, 2>;

template <typename T>
T make_value(std::mt19937& rng);
template <>
int make_value<int>(std::mt19937& rng) {
    return std::uniform_int_distribution<int>(-1000, 1000)(rng);
}
template <>
double make_value<double>(std::mt19937& rng) {
    return std::uniform_real_distribution<double>(-10, 10)(rng);
}
template <>
Tags make_value<Tags>(std::mt19937& rng) {
    Tags tags;
    const int n = std::uniform_int_distribution<int>(0, 4)(rng);
    for (int i = 0; i < n; ++i) {
        tags.push_back(Tag{make_value<int>(rng), static_cast<index_t>(i)});
    }
    return tags;
}

// Random element operations on a manager, mirrored on a std::vector model; after each
// step every value must match. Covers growth, writes, assignment, interpolation,
// permutation and deletion.
template <template <typename> class Storage, typename T>
void run_against_model(unsigned seed, AttributeProperties properties, T default_value) {
    std::mt19937 rng{seed};
    AttributeManager manager;
    manager.resize(5);
    auto attribute =
        manager.find_or_create_attribute<Storage, T>("values", default_value, properties);
    std::vector<T> model(5, default_value);
    // A second attribute that is neither assignable nor interpolable must never change
    // under assign/interpolate.
    auto witness =
        manager.find_or_create_attribute<VariableAttribute, int>("witness", -1);
    std::vector<int> witness_model(5, -1);

    const auto check = [&](int step) {
        ASSERT_EQ(manager.nb_elements(), model.size()) << "step " << step;
        ASSERT_EQ(attribute->nb_elements(), model.size()) << "step " << step;
        for (index_t i = 0; i < model.size(); ++i) {
            ASSERT_EQ(attribute->value(i), model[i])
                << "step " << step << " element " << i;
            ASSERT_EQ(witness->value(i), witness_model[i]) << "step " << step;
        }
    };

    for (int step = 0; step < 400; ++step) {
        const int op = std::uniform_int_distribution<int>(0, 5)(rng);
        const index_t n = static_cast<index_t>(model.size());
        const auto pick = [&] {
            return std::uniform_int_distribution<index_t>(0, n - 1)(rng);
        };
        if (op == 0 || n < 2) {
            const index_t grow = std::uniform_int_distribution<index_t>(1, 4)(rng);
            manager.resize(n + grow);
            model.resize(n + grow, default_value);
            witness_model.resize(n + grow, -1);
        } else if (op == 1) {
            const index_t e = pick();
            const T v = make_value<T>(rng);
            attribute->set_value(e, v);
            model[e] = v;
            witness->set_value(e, static_cast<int>(step));
            witness_model[e] = step;
        } else if (op == 2) {
            const index_t from = pick();
            const index_t to = pick();
            manager.assign_attribute_value(from, to);
            if (properties.assignable)
                model[to] = model[from];
        } else if (op == 3) {
            const index_t a = pick();
            const index_t b = pick();
            const index_t to = pick();
            const std::vector<index_t> from{a, b};
            const std::vector<double> weights{0.25, 0.75};
            manager.interpolate_attribute_value(from, weights, to);
            if (properties.interpolable) {
                if constexpr (std::is_same_v<T, double>) {
                    model[to] = model[a] * 0.25 + model[b] * 0.75;
                } else if constexpr (std::is_same_v<T, int>) {
                    model[to] =
                        static_cast<int>(std::llround(model[a] * 0.25 + model[b] * 0.75));
                } else {
                    model[to] = model[b];  // the heavier source
                }
            }
        } else if (op == 4) {
            std::vector<index_t> old2new(n);
            std::iota(old2new.begin(), old2new.end(), 0);
            std::shuffle(old2new.begin(), old2new.end(), rng);
            manager.permute_elements(old2new);
            std::vector<T> permuted(n);
            std::vector<int> witness_permuted(n);
            for (index_t i = 0; i < n; ++i) {
                permuted[old2new[i]] = model[i];
                witness_permuted[old2new[i]] = witness_model[i];
            }
            model = permuted;
            witness_model = witness_permuted;
        } else {
            std::vector<bool> to_delete(n);
            for (index_t i = 0; i < n; ++i)
                to_delete[i] = rng() % 4 == 0;
            const auto old2new = manager.delete_elements(to_delete);
            std::vector<T> kept;
            std::vector<int> witness_kept;
            for (index_t i = 0; i < n; ++i) {
                if (!to_delete[i]) {
                    ASSERT_EQ(old2new[i], kept.size());
                    kept.push_back(model[i]);
                    witness_kept.push_back(witness_model[i]);
                } else {
                    ASSERT_EQ(old2new[i], NO_ID);
                }
            }
            model = kept;
            witness_model = witness_kept;
        }
        check(step);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

TEST(AttributeManagerModel, VariableStorageFollowsElementOperations) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        run_against_model<VariableAttribute, double>(seed, {true, true, false}, 0.5);
        run_against_model<VariableAttribute, int>(seed, {true, false, false}, 7);
        run_against_model<VariableAttribute, Tags>(seed, {true, true, true}, Tags{});
        run_against_model<VariableAttribute, double>(seed, {false, false, true}, 0.0);
    }
}

TEST(AttributeManagerModel, SparseStorageFollowsElementOperations) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        run_against_model<SparseAttribute, double>(seed, {true, true, false}, -2.0);
        run_against_model<SparseAttribute, int>(seed, {false, true, false}, 3);
        run_against_model<SparseAttribute, Tags>(seed, {true, false, false},
                                                 Tags{Tag{1, 2}});
    }
}

TEST(AttributeManagerModel, ConstantStorageKeepsItsValueThroughElementOperations) {
    AttributeManager manager;
    manager.resize(4);
    auto constant = manager.find_or_create_attribute<ConstantAttribute, int>(
        "c", 9, {true, true, true});
    constant->set_value(11);
    manager.assign_attribute_value(0, 3);
    manager.interpolate_attribute_value(std::vector<index_t>{0, 1},
                                        std::vector<double>{0.5, 0.5}, 2);
    manager.permute_elements(std::vector<index_t>{3, 2, 1, 0});
    manager.delete_elements({true, false, false, false});
    manager.resize(10);
    EXPECT_EQ(constant->nb_elements(), 10u);
    for (index_t i = 0; i < 10; ++i)
        EXPECT_EQ(constant->value(i), 11);
    EXPECT_EQ(constant->default_value(), 9);
}

TEST(AttributeManager, BindsToAnExistingAttributeOfTheSameStorage) {
    AttributeManager manager;
    manager.resize(3);
    auto first = manager.find_or_create_attribute<VariableAttribute, double>("h", 1.0);
    first->set_value(2, 5.0);
    auto second = manager.find_or_create_attribute<VariableAttribute, double>(
        "h", 42.0, {true, true, true});
    EXPECT_EQ(first, second);
    EXPECT_EQ(second->value(2), 5.0);
    // The existing default and flags stay: binding does not rewrite another holder's
    // data.
    EXPECT_EQ(second->default_value(), 1.0);
    EXPECT_EQ(second->properties(), AttributeProperties{});
}

TEST(AttributeManager, StorageOrTypeConflictRaisesTheDocumentedMessage) {
    AttributeManager manager;
    manager.resize(2);
    auto held = manager.find_or_create_attribute<SparseAttribute, double>("iso", 0.0);
    held->set_value(1, 3.0);
    const std::string expected =
        "[AttributeManager::find_or_create_attribute] Do not instantiate an attribute if "
        "an "
        "instantiated attribute of the same name with different storage already exists.";
    const auto expect_conflict = [&](auto&& create) {
        try {
            create();
            ADD_FAILURE() << "no exception";
        } catch (const VelmoraBasicException& e) {
            EXPECT_EQ(e.what(), expected);
        }
    };
    expect_conflict(
        [&] { manager.find_or_create_attribute<VariableAttribute, double>("iso", 0.0); });
    expect_conflict(
        [&] { manager.find_or_create_attribute<SparseAttribute, int>("iso", 0); });
    expect_conflict(
        [&] { manager.find_or_create_attribute<ConstantAttribute, double>("iso", 0.0); });
    // Nothing was replaced.
    EXPECT_EQ(manager.find_attribute<double>("iso")->value(1), 3.0);
    EXPECT_EQ(manager.find_attribute<double>("iso"), held);
}

TEST(AttributeManager, FindAttributeReadsAnyStorageAndRejectsMissingOrMistyped) {
    AttributeManager manager;
    manager.resize(2);
    manager.find_or_create_attribute<SparseAttribute, int>("s", 4)->set_value(0, 8);
    const auto s = manager.find_attribute<int>("s");
    EXPECT_EQ(s->value(0), 8);
    EXPECT_EQ(s->value(1), 4);
    try {
        manager.find_attribute<int>("missing");
        ADD_FAILURE() << "no exception";
    } catch (const VelmoraBasicException& e) {
        EXPECT_EQ(std::string{e.what()},
                  "[AttributeManager::find_attribute] Attribute missing does not exist");
    }
    EXPECT_THROW(manager.find_attribute<double>("s"), VelmoraBasicException);
}

TEST(AttributeManager, DeleteExistsAndNames) {
    AttributeManager manager;
    manager.find_or_create_attribute<VariableAttribute, int>("b", 0);
    auto a = manager.find_or_create_attribute<VariableAttribute, int>("a", 0);
    EXPECT_TRUE(manager.attribute_exists("a"));
    EXPECT_EQ(manager.attribute_names(), (std::vector<std::string>{"a", "b"}));
    manager.delete_attribute("a");
    manager.delete_attribute("never existed");
    EXPECT_FALSE(manager.attribute_exists("a"));
    EXPECT_EQ(manager.attribute_names(), (std::vector<std::string>{"b"}));
    // A holder keeps a detached attribute, which no longer follows the elements.
    manager.resize(3);
    EXPECT_EQ(a->nb_elements(), 0u);
    // Recreating under the same name with another storage is now allowed.
    EXPECT_NO_THROW(
        (manager.find_or_create_attribute<SparseAttribute, double>("a", 0.0)));
}

TEST(AttributeManager, OutOfRangeAndBadMappingsAreRejectedWithoutChange) {
    AttributeManager manager;
    manager.resize(3);
    auto v = manager.find_or_create_attribute<VariableAttribute, int>("v", 0);
    auto s = manager.find_or_create_attribute<SparseAttribute, int>("s", 0);
    for (index_t i = 0; i < 3; ++i)
        v->set_value(i, static_cast<int>(i) + 1);
    EXPECT_THROW(v->value(3), VelmoraBasicException);
    EXPECT_THROW(s->set_value(3, 1), VelmoraBasicException);
    EXPECT_THROW(manager.assign_attribute_value(0, 3), VelmoraBasicException);
    EXPECT_THROW(manager.permute_elements(std::vector<index_t>{0, 0, 1}),
                 VelmoraBasicException);
    EXPECT_THROW(manager.permute_elements(std::vector<index_t>{0, 1}),
                 VelmoraBasicException);
    EXPECT_THROW(manager.remap_elements(std::vector<index_t>{0, NO_ID, 2}, 2),
                 VelmoraBasicException);
    EXPECT_THROW(manager.interpolate_attribute_value(std::vector<index_t>{0},
                                                     std::vector<double>{0.5, 0.5}, 1),
                 VelmoraBasicException);
    EXPECT_EQ(manager.nb_elements(), 3u);
    for (index_t i = 0; i < 3; ++i)
        EXPECT_EQ(v->value(i), static_cast<int>(i) + 1);
}

TEST(AttributeManager, ShrinkingDropsSparseValuesAndRegrowthReadsDefault) {
    AttributeManager manager;
    manager.resize(4);
    auto s = manager.find_or_create_attribute<SparseAttribute, int>("s", -1);
    s->set_value(3, 30);
    s->modify_value(1, [](int& value) { value += 5; });
    EXPECT_EQ(s->value(1), 4);
    manager.resize(2);
    manager.resize(4);
    EXPECT_EQ(s->value(3), -1);
    EXPECT_EQ(s->nb_stored_values(), 1u);
}

TEST(AttributeManager, CopyIsDeepAndKeepsFlags) {
    AttributeManager manager;
    manager.resize(2);
    auto v = manager.find_or_create_attribute<VariableAttribute, Tags>(
        "tags", Tags{}, {true, false, true});
    v->modify_value(1, [](Tags& tags) { tags.push_back(Tag{3, 4}); });
    AttributeManager copy;
    copy.copy(manager);
    auto copied = copy.find_or_create_attribute<VariableAttribute, Tags>("tags", Tags{});
    EXPECT_NE(copied, v);
    EXPECT_EQ(copied->value(1), (Tags{Tag{3, 4}}));
    EXPECT_EQ(copied->properties(), (AttributeProperties{true, false, true}));
    copied->modify_value(1, [](Tags& tags) { tags.clear(); });
    EXPECT_EQ(v->value(1).size(), 1u);
}

TEST(AttributeManager, ConcurrentBindingYieldsOneAttribute) {
    AttributeManager manager;
    manager.resize(8);
    std::vector<std::shared_ptr<VariableAttribute<double>>> bound(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&manager, &bound, t] {
            bound[t] =
                manager.find_or_create_attribute<VariableAttribute, double>("x", 0.0);
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (const auto& b : bound)
        EXPECT_EQ(b, bound[0]);
}

TEST(AttributeManager, BoolValuesAreRealReferences) {
    AttributeManager manager;
    manager.resize(3);
    auto flags = manager.find_or_create_attribute<VariableAttribute, bool>("f", false);
    flags->set_value(1, true);
    const bool& ref = flags->value(1);
    EXPECT_TRUE(ref);
    manager.interpolate_attribute_value(std::vector<index_t>{0, 1},
                                        std::vector<double>{0.4, 0.6}, 2);
    EXPECT_FALSE(flags->value(2));  // not interpolable: unchanged
}

}  // namespace
}  // namespace orvane
