// Reading a drag's URLs, and accepting it with the copy action.
#include "app/dropped_files.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

#include "patterns/pattern_library.h"

namespace strovel {

DroppedFiles droppedFiles(const QMimeData& data) {
  DroppedFiles files;
  for (const QUrl& url : data.urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    if (!path.endsWith(QString::fromLatin1(kPatternExtension))) {
      files.inputs << path;
    } else if (files.pattern.isEmpty()) {
      files.pattern = path;
    }
  }
  return files;
}

bool takeAsCopy(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  const bool local =
      std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
  if (!local || !(event->possibleActions() & Qt::CopyAction)) {
    event->ignore();
    return false;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  return true;
}

}  // namespace strovel
