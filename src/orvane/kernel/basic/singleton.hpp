#pragma once

#include <memory>
#include <typeindex>

namespace orvane {

// Base of the process-wide objects (the library objects), kept in one registry keyed
// by the type identity of the registered class.
//
// The registry has its own mutex. `lock()` / `unlock()` (or a `Singleton::Lock` guard)
// let a caller look up and register as one step, which is how two threads that create
// the same singleton at once end up with one instance. `instance` and `set_instance`
// also take the mutex themselves (it is recursive), so they are safe without the lock.
//
// Registered objects live until the process ends; the registry destroys them, through
// the virtual destructor, in the reverse order of their registration.
class Singleton {
public:
    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;
    Singleton(Singleton&&) = delete;
    Singleton& operator=(Singleton&&) = delete;
    virtual ~Singleton();

    static void lock();
    static void unlock();

    // Holds the registry mutex for its lifetime, also when an exception leaves the scope.
    class Lock {
    public:
        Lock() { Singleton::lock(); }
        ~Lock() { Singleton::unlock(); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
    };

    // The instance registered under `type`, or nullptr.
    static Singleton* instance(const std::type_index& type);

    // Registers `singleton` under `type` and returns it. A type is registered once: a
    // second registration, or a null object, throws VelmoraBasicException, because
    // replacing an instance would leave its users with a dangling reference.
    static Singleton& set_instance(const std::type_index& type,
                                   std::unique_ptr<Singleton> singleton);

protected:
    Singleton() = default;
};

}  // namespace orvane
