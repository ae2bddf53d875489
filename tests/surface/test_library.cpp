#include <string>
#include <typeinfo>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/library.hpp>
#include <orvane/kernel/basic/singleton.hpp>
#include <orvane/kernel/mesh/mesh_library.hpp>
#include <orvane/macro/common/common_library.hpp>
#include <orvane/macro/line/line_library.hpp>
#include <orvane/surface/common/surface_library.hpp>
#include <orvane/toolkit/cutter/surface/cutter_surface_library.hpp>

namespace orvane {
namespace {

template <typename LibraryType>
const Library* registered() {
    return dynamic_cast<const Library*>(Singleton::instance(typeid(LibraryType)));
}

TEST(OrvaneBackgroundSurfaceLibrary, InitializeTwiceKeepsOneInitialisedInstance) {
    OrvaneBackgroundSurfaceLibrary::initialize();
    const Library* first = registered<OrvaneBackgroundSurfaceLibrary>();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->is_initialized());
    EXPECT_EQ(first->name(), "Surface");
    const auto names_after_first = Library::initialized_libraries();

    OrvaneBackgroundSurfaceLibrary::initialize();
    EXPECT_EQ(registered<OrvaneBackgroundSurfaceLibrary>(), first);
    // Nothing runs again: every library is still listed once.
    EXPECT_EQ(Library::initialized_libraries(), names_after_first);
}

TEST(OrvaneBackgroundSurfaceLibrary, DependenciesAreInitialisedInTheirFixedOrder) {
    OrvaneBackgroundSurfaceLibrary::initialize();
    for (const Library* library : {registered<VelmoraMeshLibrary>(),
                                   registered<OrvaneCommonCutterSurfaceLibrary>(),
                                   registered<OrvaneBackgroundCommonLibrary>(),
                                   registered<OrvaneBackgroundLineLibrary>()}) {
        ASSERT_NE(library, nullptr);
        EXPECT_TRUE(library->is_initialized()) << library->name();
    }
    // Completion order: the mesh kernel (after its own dependencies), then path cutting
    // (after the modifiers it builds on), then the macro store and its curve part, then
    // this library. A different call order in do_initialize changes this list.
    EXPECT_THAT(Library::initialized_libraries(),
                ::testing::ElementsAre("Basic", "Geometry", "Mesh", "ModifierCommon",
                                       "ModifierSurface", "CutterSurface", "Common",
                                       "Line", "Surface"));
}

}  // namespace
}  // namespace orvane
