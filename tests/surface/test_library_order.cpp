#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/singleton.hpp>
#include <orvane/kernel/mesh/mesh_library.hpp>
#include <orvane/macro/common/common_library.hpp>
#include <orvane/macro/line/line_library.hpp>
#include <orvane/surface/common/surface_library.hpp>
#include <orvane/toolkit/cutter/surface/cutter_surface_library.hpp>

namespace orvane {
namespace {

// The libraries initialise their own dependencies, so the order in which every library
// finishes does not show the order of the four calls of the surface library (the
// line library initialises the macro store itself, path cutting the mesh kernel).
// Recording stand-ins, registered before anything else under the real libraries' keys,
// see each call as it is made and initialise nothing behind it.
std::vector<std::string>& calls() {
    static std::vector<std::string> names;
    return names;
}

template <typename LibraryType>
class Recording : public LibraryType {
public:
    explicit Recording(std::string name) : name_(std::move(name)) {}

private:
    void do_initialize() override { calls().push_back(name_); }

    std::string name_;
};

template <typename LibraryType>
void register_recording(const char* name) {
    Singleton::set_instance(typeid(LibraryType),
                            std::make_unique<Recording<LibraryType>>(name));
}

// Alone in its executable: the stand-ins must be registered before any library is.
TEST(OrvaneBackgroundSurfaceLibrary, InitialisesItsFourDependenciesInTheFixedOrder) {
    ASSERT_EQ(Singleton::instance(typeid(OrvaneBackgroundSurfaceLibrary)), nullptr);
    register_recording<VelmoraMeshLibrary>("Mesh");
    register_recording<OrvaneCommonCutterSurfaceLibrary>("CutterSurface");
    register_recording<OrvaneBackgroundCommonLibrary>("Common");
    register_recording<OrvaneBackgroundLineLibrary>("Line");

    OrvaneBackgroundSurfaceLibrary::initialize();

    EXPECT_THAT(calls(),
                ::testing::ElementsAre("Mesh", "CutterSurface", "Common", "Line"));
    // A second call finds everything initialised and calls nothing again.
    OrvaneBackgroundSurfaceLibrary::initialize();
    EXPECT_EQ(calls().size(), 4u);
}

}  // namespace
}  // namespace orvane
