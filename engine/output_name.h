// The name of a result file: the output name template with the run number
// put into it. The template is a user-supplied printf-style text, so it is
// never handed to printf; only one integer conversion is understood and
// everything else is copied.
//
//   formatOutputName("res_%d.txt", 2);  // "res_2.txt"
//   formatOutputName("run%03d.log", 7);  // "run007.log"
#pragma once

#include <string>
#include <string_view>

namespace strovel {

// The template with the run number in its first integer conversion: %d, %i
// or %u, with any flags from "-+ 0#" and an optional decimal width (capped
// at 4096), formatted as printf formats an int (an unsigned int for %u).
// "%%" gives "%". Every other "%" (a second conversion, a precision, a
// length modifier, another conversion letter, a "%" at the end) is copied
// as it is and the text right after it is read as ordinary text.
std::string formatOutputName(std::string_view nameTemplate, int runNumber);

}  // namespace strovel
