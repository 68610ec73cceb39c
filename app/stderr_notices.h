// Where batch mode's messages go: each notice becomes one line on a stream
// (stderr in the program), "kestrune: " followed by the text a message box
// would show. Silent mode drops the lines but not their effect on the exit
// status: 2 when the pattern name is missing, 1 for any other failure.
#pragma once

#include <functional>
#include <ostream>

#include "catalogue/catalogue.h"
#include "catalogue/notice.h"

namespace strovel {

class StderrNotices : public NoticeSink {
 public:
  StderrNotices(std::ostream& stream, bool silent) : stream_(stream), silent_(silent) {}
  void notify(const Notice& notice) override;
  // 0 when nothing was reported.
  int exitStatus() const { return status_; }
  // Called before a line is written (to clear a progress line first).
  void setBeforeLine(std::function<void()> beforeLine) { beforeLine_ = std::move(beforeLine); }

 private:
  std::ostream& stream_;
  bool silent_;
  int status_ = 0;
  std::function<void()> beforeLine_;
  LanguageSelector language_;
};

}  // namespace strovel
