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
    explicit Identifier(std::string name) : name_(std::move(name)) {}
    Identifier(const uuid& id, std::optional<std::string> name)
        : id_(id), name_(std::move(name)) {}

    Identifier(const Identifier&) = default;
    Identifier(Identifier&&) noexcept = default;
    Identifier& operator=(const Identifier&) = default;
    Identifier& operator=(Identifier&&) noexcept = default;
    virtual ~Identifier() = default;

    const uuid& id() const { return id_; }
    // The name, or nothing when none was given.
    std::optional<std::string_view> name() const {
        if (!name_) {
            return std::nullopt;
        }
        return std::string_view{*name_};
    }

    void set_id(const uuid& id) { id_ = id; }
    void set_name(std::string name) { name_ = std::move(name); }
    void clear_name() { name_.reset(); }

private:
    uuid id_;
    std::optional<std::string> name_;
};

}  // namespace orvane
