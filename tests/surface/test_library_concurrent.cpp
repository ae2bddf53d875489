#include <atomic>
#include <string>
#include <thread>
#include <typeinfo>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/library.hpp>
#include <orvane/kernel/basic/singleton.hpp>
#include <orvane/surface/common/surface_library.hpp>

namespace orvane {
namespace {

// Alone in its executable, so that the threads below make the first registration of
// the process rather than finding one made by an earlier test.
TEST(OrvaneBackgroundSurfaceLibrary, ConcurrentInitializeRegistersOneInstance) {
    ASSERT_EQ(Singleton::instance(typeid(OrvaneBackgroundSurfaceLibrary)), nullptr);
    constexpr int nb_threads = 8;
    std::atomic<int> waiting{nb_threads};
    std::atomic<int> failures{0};
    std::atomic<int> not_ready{0};
    std::vector<const Singleton*> seen(nb_threads, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < nb_threads; ++t) {
        threads.emplace_back([&, t] {
            // Start together, to make the race on the registration likely.
            --waiting;
            while (waiting.load() > 0) {
                std::this_thread::yield();
            }
            try {
                OrvaneBackgroundSurfaceLibrary::initialize();
            } catch (...) {
                ++failures;
            }
            const auto* library = dynamic_cast<const Library*>(
                Singleton::instance(typeid(OrvaneBackgroundSurfaceLibrary)));
            if (library == nullptr || !library->is_initialized()) {
                ++not_ready;
            }
            seen[t] = library;
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(not_ready, 0);
    for (const Singleton* s : seen) {
        EXPECT_EQ(s, seen.front());
    }
    // Each library's initialisation ran once, whatever the interleaving.
    EXPECT_THAT(Library::initialized_libraries(),
                ::testing::ElementsAre("Basic", "Geometry", "Mesh", "ModifierCommon",
                                       "ModifierSurface", "CutterSurface", "Common",
                                       "Line", "Surface"));
}

}  // namespace
}  // namespace orvane
