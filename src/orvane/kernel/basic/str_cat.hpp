#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include <absl/strings/str_cat.h>
#include <absl/strings/string_view.h>

namespace orvane {

namespace detail {

// Receives the text of a type's `AbslStringify(Sink&, const T&)` hook.
class StrCatSink {
public:
    explicit StrCatSink(std::string& out) : out_(out) {}
    void Append(std::size_t count, char c) { out_.append(count, c); }
    void Append(std::string_view text) { out_.append(text.data(), text.size()); }
    friend void AbslFormatFlush(StrCatSink* sink, absl::string_view text) {
        sink->Append(std::string_view{text.data(), text.size()});
    }

private:
    std::string& out_;
};

template <typename T, typename = void>
struct HasAbslStringify : std::false_type {};
template <typename T>
struct HasAbslStringify<T, std::void_t<decltype(AbslStringify(std::declval<StrCatSink&>(),
                                                              std::declval<const T&>()))>>
    : std::true_type {};

// The installed Abseil has its own string_view type, which std::string_view does not
// convert to implicitly; pass it across explicitly.
template <typename T>
const T& str_cat_argument(const T& value) {
    return value;
}
inline absl::string_view str_cat_argument(std::string_view value) {
    return absl::string_view{value.data(), value.size()};
}

template <typename T>
void str_append_one(std::string& out, const T& value) {
    if constexpr (HasAbslStringify<T>::value) {
        StrCatSink sink{out};
        AbslStringify(sink, value);
    } else {
        absl::StrAppend(&out, str_cat_argument(value));
    }
}

}  // namespace detail

// absl::StrCat for the whole code base: the same rules (no separators, numbers in
// decimal, absl::Hex and friends), and also std::string_view and any type with an
// `AbslStringify(Sink&, const T&)` hook, which the installed Abseil's StrCat lacks.
template <typename... Args>
std::string str_cat(const Args&... args) {
    if constexpr ((detail::HasAbslStringify<Args>::value || ...)) {
        std::string out;
        (detail::str_append_one(out, args), ...);
        return out;
    } else {
        return absl::StrCat(detail::str_cat_argument(args)...);
    }
}

// Appends the arguments to `out`, with the rules of str_cat.
template <typename... Args>
void str_append(std::string& out, const Args&... args) {
    (detail::str_append_one(out, args), ...);
}

}  // namespace orvane
