#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace orvane {
namespace internal {

// Whether an interpreter whose Py_GetVersion() text is `runtime` can load a module
// built for the "major.minor" version `compiled`: the text must begin with `compiled`
// and the next character must not be a digit, so "3.11.2 (main, ...)" loads a module
// built for "3.11" while "3.110" and "3.1.4" do not.
inline bool is_compatible_python_version(std::string_view compiled,
                                         std::string_view runtime) {
    if (compiled.empty() || runtime.size() < compiled.size() ||
        runtime.compare(0, compiled.size(), compiled) != 0) {
        return false;
    }
    return runtime.size() == compiled.size() ||
           std::isdigit(static_cast<unsigned char>(runtime[compiled.size()])) == 0;
}

// The text of the ImportError raised on a version mismatch.
inline std::string python_version_mismatch_message(std::string_view compiled,
                                                   std::string_view runtime) {
    std::string message = "Python version mismatch: module was compiled for Python ";
    message.append(compiled.data(), compiled.size());
    message += ", but the interpreter version is incompatible: ";
    message.append(runtime.data(), runtime.size());
    message += ".";
    return message;
}

}  // namespace internal
}  // namespace orvane
