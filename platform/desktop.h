// Handing a file or a web address to the desktop, as a double click would.
// The request is not waited for and its failure is not reported: the file
// or page simply does not appear.
#pragma once

#include <string>

namespace strovel {

// Starts `xdg-open target` detached from this process (no zombie is left,
// its output goes nowhere).
void openWithDesktop(const std::string& target);

}  // namespace strovel
