#include <any>
#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/surface/common/surface_exception.hpp>
#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>

namespace orvane {
namespace {

using internal::OrvaneBackgroundSurfaceEpsilonOptimizerException;

void expect_surface_family(const VelmoraException& e) {
    EXPECT_EQ(e.kind(), 1);
    EXPECT_EQ(e.project(), "OrvaneBackground");
    EXPECT_EQ(e.library(), "Surface");
}

TEST(OrvaneBackgroundSurfaceException, WhatIsExactlyTheSingleMessage) {
    const OrvaneBackgroundSurfaceException e{
        nullptr,
        "[BackgroundSurface::one_border_polygon_edge] "
        "No edge on border found"};
    EXPECT_STREQ(e.what(),
                 "[BackgroundSurface::one_border_polygon_edge] No edge on border found");
    expect_surface_family(e);
    EXPECT_EQ(std::any_cast<std::nullptr_t>(e.payload()), nullptr);
    EXPECT_FALSE(e.has_parent());
}

TEST(OrvaneBackgroundSurfaceException, MessageArgumentsAreJoinedAndPayloadKept) {
    const Point2D where{{1.5, -2.0}};
    const std::string_view operation{"[BackgroundSurface::macro_edge_path]"};
    const OrvaneBackgroundSurfaceException e{
        where, operation, " Too many steps (", 1000u, ") at ", 1.5, "."};
    EXPECT_STREQ(e.what(),
                 "[BackgroundSurface::macro_edge_path] Too many steps (1000) at 1.5.");
    ASSERT_EQ(e.payload().type(), typeid(Point2D));
    EXPECT_EQ(std::any_cast<Point2D>(e.payload()), where);
}

TEST(OrvaneBackgroundSurfaceException, IsCaughtAsEveryBaseAndMovesIntact) {
    try {
        throw OrvaneBackgroundSurfaceException{nullptr, "[Test::throw] Sentence"};
    } catch (const OrvaneBackgroundException& e) {
        expect_surface_family(e);
        EXPECT_STREQ(e.what(), "[Test::throw] Sentence");
    }
    OrvaneBackgroundSurfaceException original{nullptr, "moved"};
    OrvaneBackgroundSurfaceException moved{std::move(original)};
    EXPECT_STREQ(moved.what(), "moved");
    expect_surface_family(moved);
    OrvaneBackgroundSurfaceException assigned{nullptr, "other"};
    assigned = std::move(moved);
    EXPECT_STREQ(assigned.what(), "moved");
    expect_surface_family(assigned);
}

TEST(OrvaneBackgroundSurfaceEpsilonOptimizerException, WrapsACaughtSurfaceException) {
    const Point2D where{{3.0, 4.0}};
    try {
        try {
            throw OrvaneBackgroundSurfaceException{where,
                                                   "[Inner::operation] Failed here"};
        } catch (OrvaneBackgroundSurfaceException& caught) {
            throw OrvaneBackgroundSurfaceEpsilonOptimizerException{std::move(caught)};
        }
    } catch (const OrvaneBackgroundSurfaceException& e) {
        EXPECT_NE(
            dynamic_cast<const OrvaneBackgroundSurfaceEpsilonOptimizerException*>(&e),
            nullptr);
        EXPECT_STREQ(e.what(), "Failed to epsilon optimize the surface");
        expect_surface_family(e);
        EXPECT_EQ(std::any_cast<std::nullptr_t>(e.payload()), nullptr);
        ASSERT_TRUE(e.has_parent());
        const VelmoraException& parent = *e.parent();
        EXPECT_STREQ(parent.what(), "[Inner::operation] Failed here");
        expect_surface_family(parent);
        EXPECT_EQ(std::any_cast<Point2D>(parent.payload()), where);
        EXPECT_FALSE(parent.has_parent());
    }
}

// The three branches of the wrapping convention, each seen through the exception an
// epsilon optimisation would throw.
TEST(WrapException, VelmoraExceptionBecomesTheParentWithItsChain) {
    VelmoraBasicException basic{"[AttributeManager::find_or_create_attribute] Conflict"};
    basic.set_parent(OrvaneBackgroundSurfaceException{nullptr, "root cause"});
    OrvaneBackgroundSurfaceEpsilonOptimizerException wrapped = [&] {
        try {
            throw std::move(basic);
        } catch (...) {
            return internal::wrap_exception<
                OrvaneBackgroundSurfaceEpsilonOptimizerException>(
                std::current_exception());
        }
    }();
    EXPECT_STREQ(wrapped.what(), "Failed to epsilon optimize the surface");
    ASSERT_TRUE(wrapped.has_parent());
    const VelmoraException& parent = *wrapped.parent();
    EXPECT_STREQ(parent.what(), "[AttributeManager::find_or_create_attribute] Conflict");
    EXPECT_EQ(parent.project(), "Velmora");
    EXPECT_EQ(parent.library(), "Basic");
    ASSERT_TRUE(parent.has_parent());
    EXPECT_STREQ(parent.parent()->what(), "root cause");
    EXPECT_EQ(wrapped.chain_string(),
              "Failed to epsilon optimize the surface\n"
              "  caused by: [AttributeManager::find_or_create_attribute] Conflict\n"
              "  caused by: root cause");
}

TEST(WrapException, OtherFailuresBecomeNewSurfaceExceptions) {
    struct Case {
        std::exception_ptr error;
        const char* parent_message;
    };
    const Case cases[] = {
        {std::make_exception_ptr(std::out_of_range{"vector index"}),
         "std exception: vector index"},
        {std::make_exception_ptr(std::bad_optional_access{}),
         "std exception: bad optional access"},
        {std::make_exception_ptr(42), "Unknown exception"},
        {std::exception_ptr{}, "Unknown exception"},
    };
    for (const auto& c : cases) {
        const VelmoraException parent = internal::exception_parent(c.error);
        EXPECT_STREQ(parent.what(), c.parent_message);
        expect_surface_family(parent);
        EXPECT_EQ(std::any_cast<std::nullptr_t>(parent.payload()), nullptr);
        EXPECT_FALSE(parent.has_parent());

        const auto wrapped =
            internal::wrap_exception<OrvaneBackgroundSurfaceEpsilonOptimizerException>(
                c.error);
        ASSERT_TRUE(wrapped.has_parent());
        EXPECT_STREQ(wrapped.parent()->what(), c.parent_message);
    }
}

TEST(OrvaneCommonModifierCommonException, CarriesTheToolkitNames) {
    const Point2D where{{0.0, 1.0}};
    try {
        throw OrvaneCommonModifierCommonException{
            where, "[Orchestrator::apply] Too many ", "steps: ", 30};
    } catch (const OrvaneCommonException& e) {
        EXPECT_STREQ(e.what(), "[Orchestrator::apply] Too many steps: 30");
        EXPECT_EQ(e.kind(), 1);
        EXPECT_EQ(e.project(), "OrvaneCommon");
        EXPECT_EQ(e.library(), "ModifierCommon");
        EXPECT_EQ(std::any_cast<Point2D>(e.payload()), where);
    }
    const OrvaneCommonException base{"OrvaneCommon", "CutterSurface", nullptr, "cut"};
    EXPECT_EQ(base.library(), "CutterSurface");
    EXPECT_STREQ(base.what(), "cut");
}

}  // namespace
}  // namespace orvane
