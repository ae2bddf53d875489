#include <orvane/kernel/basic/library.hpp>

#include <orvane/kernel/basic/logger.hpp>

namespace orvane {

namespace {

struct InitializedLibraries {
    std::mutex mutex;
    std::vector<std::string> names;
};

// Never destroyed, like the logger state: library objects may outlive it otherwise.
InitializedLibraries& initialized_registry() {
    static auto* registry = new InitializedLibraries;
    return *registry;
}

}  // namespace

Library::Library() = default;

Library::~Library() = default;

void Library::call_initialize(std::string_view name) {
    if (is_initialized()) {
        return;
    }
    // Recursive, so that a dependency cycle reaches the `initializing_` test below
    // instead of deadlocking; other threads wait here until initialisation is done.
    std::lock_guard<std::recursive_mutex> lock{mutex_};
    if (is_initialized() || initializing_) {
        return;
    }
    initializing_ = true;
    try {
        do_initialize();
    } catch (...) {
        initializing_ = false;
        throw;
    }
    initializing_ = false;
    name_ = std::string{name};
    {
        auto& registry = initialized_registry();
        std::lock_guard<std::mutex> names_lock{registry.mutex};
        registry.names.push_back(name_);
    }
    initialized_.store(true, std::memory_order_release);
    Logger::debug("[Library] ", name, " initialized");
}

std::string Library::name() const {
    std::lock_guard<std::recursive_mutex> lock{mutex_};
    return name_;
}

std::vector<std::string> Library::initialized_libraries() {
    auto& registry = initialized_registry();
    std::lock_guard<std::mutex> lock{registry.mutex};
    return registry.names;
}

}  // namespace orvane
