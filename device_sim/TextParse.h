// Small text helpers shared by the simulator's file and environment parsers.
#pragma once

#include <cctype>
#include <charconv>
#include <string>
#include <string_view>

namespace kivo::sim {

// `s` without leading and trailing white space (a view into `s`).
inline std::string_view trimmedView(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

inline std::string trimmed(std::string_view s) {
    return std::string(trimmedView(s));
}

// Parses all of `text` (surrounding blanks allowed) as a number; false when anything else is there.
template <typename T> bool parseNumber(std::string_view text, T& out) {
    const std::string_view t = trimmedView(text);
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
    return !t.empty() && ec == std::errc{} && end == t.data() + t.size();
}

} // namespace kivo::sim
