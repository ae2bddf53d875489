#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace orvane {

// A 128-bit identifier of a mesh, a curve, an input component or any other object that
// must be told apart from its copies.
//
// A default-constructed uuid is a new random id: 128 bits drawn from a per-thread
// generator seeded from std::random_device, so concurrent creation needs no lock and
// two ids collide only by chance (2^-128). Ids are plain values: copyable, ordered and
// hashable (std::hash and Abseil), so they can key any container.
class uuid {
public:
    // A new random id.
    uuid();

    // The id written as `text` in the 8-4-4-4-12 hexadecimal form (either case), or
    // nothing when `text` is not such a string.
    static std::optional<uuid> from_string(std::string_view text);

    // The usual 8-4-4-4-12 form in lower-case hexadecimal, 36 characters.
    std::string string() const;

    // The two halves, most significant first; the text form reads them in this order.
    std::uint64_t high() const { return high_; }
    std::uint64_t low() const { return low_; }

    bool operator==(const uuid& other) const {
        return high_ == other.high_ && low_ == other.low_;
    }
    bool operator!=(const uuid& other) const { return !(*this == other); }
    // Order of the 128-bit value, consistent with the order of the text form.
    bool operator<(const uuid& other) const {
        return high_ != other.high_ ? high_ < other.high_ : low_ < other.low_;
    }
    bool operator>(const uuid& other) const { return other < *this; }
    bool operator<=(const uuid& other) const { return !(other < *this); }
    bool operator>=(const uuid& other) const { return !(*this < other); }

    template <typename H>
    friend H AbslHashValue(H state, const uuid& id) {
        return H::combine(std::move(state), id.high_, id.low_);
    }

private:
    uuid(std::uint64_t high, std::uint64_t low) : high_(high), low_(low) {}

    std::uint64_t high_;
    std::uint64_t low_;
};

}  // namespace orvane

namespace std {
template <>
struct hash<orvane::uuid> {
    std::size_t operator()(const orvane::uuid& id) const noexcept {
        // The bits are uniformly random already; mixing the halves is enough.
        const std::uint64_t mixed = id.high() ^ (id.low() * 0x9E3779B97F4A7C15ULL);
        return static_cast<std::size_t>(mixed ^ (mixed >> 32));
    }
};
}  // namespace std
