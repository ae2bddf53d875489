#include <orvane/kernel/basic/uuid.hpp>

#include <array>
#include <random>

namespace orvane {

namespace {

// One generator per thread: no lock on the hot path, and threads never share state.
// It is seeded with 256 bits from std::random_device, so ids made in different
// threads or processes do not follow one another.
std::mt19937_64& thread_generator() {
    thread_local std::mt19937_64 generator = [] {
        std::random_device device;
        std::array<std::uint32_t, 8> seed_words{};
        for (auto& word : seed_words) {
            word = device();
        }
        std::seed_seq seed(seed_words.begin(), seed_words.end());
        return std::mt19937_64(seed);
    }();
    return generator;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

constexpr std::size_t UUID_TEXT_SIZE = 36;

bool is_dash_position(std::size_t i) {
    return i == 8 || i == 13 || i == 18 || i == 23;
}

}  // namespace

uuid::uuid() {
    auto& generator = thread_generator();
    high_ = generator();
    low_ = generator();
}

std::optional<uuid> uuid::from_string(std::string_view text) {
    if (text.size() != UUID_TEXT_SIZE) {
        return std::nullopt;
    }
    std::uint64_t halves[2] = {0, 0};
    std::size_t nibble = 0;
    for (std::size_t i = 0; i < UUID_TEXT_SIZE; ++i) {
        if (is_dash_position(i)) {
            if (text[i] != '-') {
                return std::nullopt;
            }
            continue;
        }
        const int value = hex_value(text[i]);
        if (value < 0) {
            return std::nullopt;
        }
        auto& half = halves[nibble / 16];
        half = (half << 4) | static_cast<std::uint64_t>(value);
        ++nibble;
    }
    return uuid{halves[0], halves[1]};
}

std::string uuid::string() const {
    static constexpr char digits[] = "0123456789abcdef";
    std::string result;
    result.reserve(UUID_TEXT_SIZE);
    std::size_t nibble = 0;
    for (std::size_t i = 0; i < UUID_TEXT_SIZE; ++i) {
        if (is_dash_position(i)) {
            result.push_back('-');
            continue;
        }
        const std::uint64_t half = nibble < 16 ? high_ : low_;
        const unsigned shift = static_cast<unsigned>(60 - 4 * (nibble % 16));
        result.push_back(digits[(half >> shift) & 0xF]);
        ++nibble;
    }
    return result;
}

}  // namespace orvane
