#pragma once
// The text form in which the main window stores its geometry in the options
// (window width, height, left, top and the tree width, in twips).
#include <string>

namespace winopt {

// The text form of a single-precision value: up to 7 significant digits,
// "." as the decimal point, no decimals for a whole number ("9090", "364.6").
std::string CStrSingle(float value);

}  // namespace winopt
