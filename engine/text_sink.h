// Where text goes, piece by piece: what a rule passes on to the next one,
// what the last rule passes on to the result, what a sort writes out. A
// piece is valid only during the call.
#pragma once

#include <functional>
#include <string_view>

namespace strovel {

using TextSink = std::function<void(std::string_view piece)>;

}  // namespace strovel
