#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scmp {

// The shortest text that reads back as the same float, and the reader for it.
// std::to_chars/from_chars for floating point where the library has them;
// otherwise (libc++ 13, as in the WebAssembly toolchain) the snprintf/strtof
// forms below, which give the same results.
std::string FloatText(float value);
// The whole text must be one plain decimal number ("1.5", "2e-1"): no
// leading '+', no spaces, no hexadecimal or inf/nan forms.
std::optional<float> ParseFloat(std::string_view text);

// The snprintf/strtof forms, built everywhere so that tests hold them to
// the library's results.
std::string FloatTextPortable(float value);
std::optional<float> ParseFloatPortable(std::string_view text);

}  // namespace scmp
