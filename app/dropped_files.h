// Files dropped on the window, read from the drag: the local files it
// carries, the first pattern file among them apart. A drop is always taken
// as a copy, whatever the drag source proposes: told of a move, some file
// managers delete the files that were dropped.
//
//   if (takeAsCopy(event)) { DroppedFiles files = droppedFiles(*event->mimeData()); ... }
#pragma once

#include <QString>
#include <QStringList>

class QDropEvent;
class QMimeData;

namespace strovel {

struct DroppedFiles {
  QString pattern;     // the first ".shbl" file, if any
  QStringList inputs;  // the other files, in the order dropped
};

DroppedFiles droppedFiles(const QMimeData& data);

// Accepts a drag (entering, moving or dropped) of local files as a copy;
// one that cannot be a copy, or carries no local file, is refused.
bool takeAsCopy(QDropEvent* event);

}  // namespace strovel
