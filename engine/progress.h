// Progress of an action: called now and then with a byte position in the
// text the action works on. The processing run turns it into a percentage.
#pragma once

#include <cstddef>
#include <functional>

namespace strovel {

using Progress = std::function<void(std::size_t position)>;

}  // namespace strovel
