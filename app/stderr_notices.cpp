// Notices as stderr lines, with the exit status they imply.
#include "app/stderr_notices.h"

#include <algorithm>

namespace strovel {

void StderrNotices::notify(const Notice& notice) {
  status_ = std::max(status_, notice.text == TextId::PatternNameMissing ? 2 : 1);
  if (silent_) return;
  if (beforeLine_) beforeLine_();
  const std::string text = renderNotice(language_, notice);
  stream_ << "kestrune: ";
  stream_.write(text.data(), static_cast<std::streamsize>(text.size()));
  stream_ << '\n' << std::flush;
}

}  // namespace strovel
