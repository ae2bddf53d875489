#include <orvane/kernel/basic/singleton.hpp>

#include <mutex>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>

#include <orvane/kernel/basic/velmora_exception.hpp>

namespace orvane {

namespace {

class Registry {
public:
    ~Registry() {
        // Latest first: a singleton registered while another was being initialised may
        // depend on nothing registered after it.
        while (!ordered_.empty()) {
            ordered_.pop_back();
        }
    }

    std::recursive_mutex mutex;

    Singleton* find(const std::type_index& type) const {
        const auto it = index_.find(type);
        return it == index_.end() ? nullptr : it->second;
    }

    Singleton& add(const std::type_index& type, std::unique_ptr<Singleton> singleton) {
        Singleton& result = *singleton;
        index_.emplace(type, &result);
        ordered_.push_back(std::move(singleton));
        return result;
    }

private:
    absl::flat_hash_map<std::type_index, Singleton*> index_;
    std::vector<std::unique_ptr<Singleton>> ordered_;
};

Registry& registry() {
    static Registry registry;
    return registry;
}

}  // namespace

Singleton::~Singleton() = default;

void Singleton::lock() {
    registry().mutex.lock();
}

void Singleton::unlock() {
    registry().mutex.unlock();
}

Singleton* Singleton::instance(const std::type_index& type) {
    auto& reg = registry();
    std::lock_guard<std::recursive_mutex> lock{reg.mutex};
    return reg.find(type);
}

Singleton& Singleton::set_instance(const std::type_index& type,
                                   std::unique_ptr<Singleton> singleton) {
    if (!singleton) {
        throw VelmoraBasicException{"[Singleton::set_instance] No instance given for ",
                                    type.name()};
    }
    auto& reg = registry();
    std::lock_guard<std::recursive_mutex> lock{reg.mutex};
    if (reg.find(type) != nullptr) {
        throw VelmoraBasicException{
            "[Singleton::set_instance] An instance is already registered for ",
            type.name()};
    }
    return reg.add(type, std::move(singleton));
}

}  // namespace orvane
