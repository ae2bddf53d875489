#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <orvane/kernel/basic/uuid.hpp>

namespace orvane {

// Who an object is: a uuid (a new random one by default) and an optional name for
// people reading logs. Meshes and input components derive from it; a copy keeps the
// id, so callers that need a distinct object give the copy a new id (`set_id(uuid{})`).
class Identifier {
public:
    Identifier() = default;
    explicit Identifier(std::string name) : name_(std::move(name)), has_name_(true) {}
    Identifier(const uuid& id, std::optional<std::string> name)
        : id_(id), has_name_(name.has_value()) {
        if (name) {
            name_ = std::move(*name);
        }
    }

    Identifier(const Identifier&) = default;
    Identifier(Identifier&&) noexcept = default;
    Identifier& operator=(const Identifier&) = default;
    Identifier& operator=(Identifier&&) noexcept = default;
    virtual ~Identifier() = default;

    const uuid& id() const { return id_; }
    // The name, or nothing when none was given.
    std::optional<std::string_view> name() const {
        if (!has_name_) {
            return std::nullopt;
        }
        return std::string_view{name_};
    }

    void set_id(const uuid& id) { id_ = id; }
    void set_name(std::string name) {
        name_ = std::move(name);
        has_name_ = true;
    }
    void clear_name() {
        name_.clear();
        has_name_ = false;
    }

private:
    uuid id_;
    // A flag beside a plain string rather than an optional string: GCC 12 reports
    // optional<string> members as maybe-uninitialised in sanitizer builds.
    std::string name_;
    bool has_name_{false};
};

}  // namespace orvane
