#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <typeindex>
#include <typeinfo>
#include <vector>

#include <orvane/kernel/basic/singleton.hpp>
#include <orvane/kernel/basic/velmora_exception.hpp>

namespace orvane {

// A library object: the singleton through which a library initialises itself and
// the libraries it depends on.
//
// `call_initialize(name)` runs the private `do_initialize()` once per process for each
// library object. Later calls return at once: the dependencies of a library never
// change, so initialising them again would only repeat work, and a once-only rule
// lets every library initialise its dependencies without caring who did it before.
// Details of the rule:
// - A call made while another thread is initialising the same library waits until
//   that initialisation has finished, so a library is ready whenever call_initialize
//   returns.
// - If `do_initialize()` throws, the exception propagates and the library counts as
//   not initialised, so a later call tries again.
// - A call made from inside the library's own `do_initialize()` (a dependency cycle)
//   returns without running it a second time.
class Library : public Singleton {
public:
    ~Library() override;

    void call_initialize(std::string_view name);

    bool is_initialized() const { return initialized_.load(std::memory_order_acquire); }
    // The name given to the first successful call_initialize, empty before.
    std::string name() const;

    // The names of every library initialised in this process, in the order in which
    // their initialisation finished (so each library comes after its dependencies).
    static std::vector<std::string> initialized_libraries();

    // The registration every `XLibrary::initialize()` performs: look up the instance of
    // LibraryType under the registry lock, create and register it if absent, release
    // the lock, then call_initialize(name) on it. The lock is not held while the
    // library initialises, so dependencies register themselves the same way.
    template <typename LibraryType>
    static LibraryType& initialize_library(std::string_view name) {
        LibraryType* library = nullptr;
        {
            const Singleton::Lock lock;
            Singleton* existing = Singleton::instance(typeid(LibraryType));
            if (existing == nullptr) {
                existing = &Singleton::set_instance(typeid(LibraryType),
                                                    std::make_unique<LibraryType>());
            }
            library = dynamic_cast<LibraryType*>(existing);
            if (library == nullptr) {
                throw VelmoraBasicException{"[Library::initialize_library] The instance ",
                                            "registered for ", typeid(LibraryType).name(),
                                            " has another type"};
            }
        }
        library->call_initialize(name);
        return *library;
    }

protected:
    Library();

private:
    virtual void do_initialize() = 0;

    std::atomic<bool> initialized_{false};
    bool initializing_{false};
    std::string name_;
    mutable std::recursive_mutex mutex_;
};

}  // namespace orvane
