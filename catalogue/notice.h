// A Notice is what the core hands to the front end instead of showing a
// message itself: a catalogue text (by the Russian id of its pair) and the
// subject it follows, usually a path. The front end renders it as
// subject + text and decides where it goes (stderr, a message box) and
// whether silent mode drops it.
#pragma once

#include <string>

#include "catalogue/text_id.h"

namespace strovel {

struct Notice {
  TextId text;          // the Russian text of a catalogue pair
  std::string subject;  // bytes shown directly before the text; may be empty

  bool operator==(const Notice&) const = default;
};

class NoticeSink {
 public:
  virtual ~NoticeSink() = default;
  virtual void notify(const Notice& notice) = 0;
};

}  // namespace strovel
