#include <algorithm>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <typeinfo>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <orvane/kernel/basic/basic_library.hpp>
#include <orvane/kernel/basic/library.hpp>
#include <orvane/kernel/basic/singleton.hpp>
#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/kernel/mesh/mesh_library.hpp>

namespace orvane {
namespace {

class CountingLibrary : public Library {
public:
    static std::atomic<int> runs;
    static void initialize() { Library::initialize_library<CountingLibrary>("Counting"); }

private:
    void do_initialize() override { ++runs; }
};
std::atomic<int> CountingLibrary::runs{0};

// Fails on its first initialisation, succeeds on the next.
class FlakyLibrary : public Library {
public:
    static int attempts;
    static void initialize() { Library::initialize_library<FlakyLibrary>("Flaky"); }

private:
    void do_initialize() override {
        if (++attempts == 1) {
            throw std::runtime_error{"dependency missing"};
        }
    }
};
int FlakyLibrary::attempts = 0;

// Initialises itself again from do_initialize, as a dependency cycle would.
class CyclicLibrary : public Library {
public:
    static int runs;
    static void initialize() { Library::initialize_library<CyclicLibrary>("Cyclic"); }

private:
    void do_initialize() override {
        ++runs;
        CyclicLibrary::initialize();
    }
};
int CyclicLibrary::runs = 0;

// Slow to initialise, so that concurrent callers overlap it.
class SlowLibrary : public Library {
public:
    static std::atomic<int> runs;
    static std::atomic<bool> done;
    static void initialize() { Library::initialize_library<SlowLibrary>("Slow"); }

private:
    void do_initialize() override {
        ++runs;
        std::this_thread::sleep_for(std::chrono::milliseconds{20});
        done = true;
    }
};
std::atomic<int> SlowLibrary::runs{0};
std::atomic<bool> SlowLibrary::done{false};

class PlainSingleton : public Singleton {};

TEST(Library, InitializeRunsOnceAndKeepsOneInstance) {
    EXPECT_EQ(Singleton::instance(typeid(CountingLibrary)), nullptr);
    CountingLibrary::initialize();
    Singleton* first = Singleton::instance(typeid(CountingLibrary));
    ASSERT_NE(first, nullptr);
    CountingLibrary::initialize();
    EXPECT_EQ(Singleton::instance(typeid(CountingLibrary)), first);
    EXPECT_EQ(CountingLibrary::runs, 1);
    auto* library = dynamic_cast<CountingLibrary*>(first);
    ASSERT_NE(library, nullptr);
    EXPECT_TRUE(library->is_initialized());
    EXPECT_EQ(library->name(), "Counting");
    library->call_initialize("Counting");
    EXPECT_EQ(CountingLibrary::runs, 1);
}

TEST(Library, FailedInitializationIsRetried) {
    EXPECT_THROW(FlakyLibrary::initialize(), std::runtime_error);
    auto* library = dynamic_cast<Library*>(Singleton::instance(typeid(FlakyLibrary)));
    ASSERT_NE(library, nullptr);
    EXPECT_FALSE(library->is_initialized());
    EXPECT_NO_THROW(FlakyLibrary::initialize());
    EXPECT_TRUE(library->is_initialized());
    EXPECT_EQ(FlakyLibrary::attempts, 2);
    FlakyLibrary::initialize();
    EXPECT_EQ(FlakyLibrary::attempts, 2);
}

TEST(Library, CycleDoesNotDeadlockOrRepeat) {
    CyclicLibrary::initialize();
    EXPECT_EQ(CyclicLibrary::runs, 1);
}

TEST(Library, ConcurrentCallersShareOneInstanceAndWaitForIt) {
    std::atomic<int> not_ready_on_return{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            try {
                SlowLibrary::initialize();
            } catch (...) {
                ++failures;
            }
            if (!SlowLibrary::done) {
                ++not_ready_on_return;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(not_ready_on_return, 0);
    EXPECT_EQ(SlowLibrary::runs, 1);
}

TEST(Library, KernelLibrariesInitialiseDependenciesFirst) {
    VelmoraMeshLibrary::initialize();
    VelmoraBasicLibrary::initialize();
    const auto names = Library::initialized_libraries();
    const auto position = [&names](const std::string& name) {
        return std::count(names.begin(), names.end(), name) == 1
                   ? std::find(names.begin(), names.end(), name) - names.begin()
                   : -1;
    };
    ASSERT_GE(position("Basic"), 0);
    EXPECT_LT(position("Basic"), position("Geometry"));
    EXPECT_LT(position("Geometry"), position("Mesh"));
}

TEST(Singleton, RegistersEachTypeOnceUnderTheLock) {
    {
        const Singleton::Lock lock;
        // The registry mutex is recursive: lookups under the lock do not deadlock.
        EXPECT_EQ(Singleton::instance(typeid(PlainSingleton)), nullptr);
        auto& registered = Singleton::set_instance(typeid(PlainSingleton),
                                                   std::make_unique<PlainSingleton>());
        EXPECT_EQ(Singleton::instance(typeid(PlainSingleton)), &registered);
    }
    Singleton* registered = Singleton::instance(typeid(PlainSingleton));
    EXPECT_THROW(Singleton::set_instance(typeid(PlainSingleton),
                                         std::make_unique<PlainSingleton>()),
                 VelmoraBasicException);
    EXPECT_EQ(Singleton::instance(typeid(PlainSingleton)), registered);
    EXPECT_THROW(Singleton::set_instance(typeid(int), nullptr), VelmoraBasicException);
    EXPECT_EQ(Singleton::instance(typeid(int)), nullptr);
}

TEST(Library, MismatchedRegistrationIsReported) {
    // A foreign object registered under a library's key must not be cast blindly.
    class Squatted : public Library {
    public:
        static void initialize() { Library::initialize_library<Squatted>("Squatted"); }

    private:
        void do_initialize() override {}
    };
    Singleton::set_instance(typeid(Squatted), std::make_unique<PlainSingleton>());
    EXPECT_THROW(Squatted::initialize(), VelmoraBasicException);
}

}  // namespace
}  // namespace orvane
