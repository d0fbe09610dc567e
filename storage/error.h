#pragma once
// The one base of every error the program raises (table, registry, conversion, socket ...).
// Layers that are meant to report failures catch kelt::Error and show what() to the user.
#include <stdexcept>
#include <string>

namespace kelt {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace kelt
