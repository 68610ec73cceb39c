// The pattern list: filling, the paths of its entries, the entry shown.
#include "app/pattern_list_box.h"

#include <QDir>

#include "patterns/pattern_library.h"
#include "patterns/pattern_order.h"
#include "ui/ui_text.h"

namespace strovel {
namespace {

QByteArray bytes(const std::string& text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string currentFolder() { return fromDisplayPath(QDir::currentPath()); }

}  // namespace

PatternListBox::PatternListBox(QWidget* parent) : QComboBox(parent) {
  setObjectName(QStringLiteral("patternList"));
  // A long name is cut in the box instead of widening it; the tooltip
  // shows it whole.
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(1);
  connect(this, &QComboBox::currentIndexChanged, this,
          [this](int entry) { setToolTip(entry < 0 ? QString() : itemText(entry)); });
}

void PatternListBox::refill() {
  folder_ = currentFolder();
  std::vector<std::string> names = findPatternFiles(".");
  sortPatternNames(names);
  clear();
  // Shown through the same codec as the caption and the messages.
  for (const std::string& name : names) {
    addItem(toDisplay(name), bytes(name));
    setItemData(count() - 1, toDisplay(name), Qt::ToolTipRole);
  }
  show(-1);
}

int PatternListBox::entryOf(const std::string& name) const { return findData(bytes(name)); }

std::string PatternListBox::nameAt(int entry) const {
  return itemData(entry).toByteArray().toStdString();
}

std::string PatternListBox::pathOf(int entry) const {
  const std::string name = nameAt(entry);
  if (currentFolder() == folder_) return name;
  return folder_ == "/" ? "/" + name : folder_ + "/" + name;
}

int PatternListBox::entryOfPath(const std::string& path) const {
  const QFileInfo file(toDisplayPath(path));
  if (fromDisplayPath(file.absolutePath()) != folder_) return -1;
  return entryOf(fromDisplayPath(file.fileName()));
}

void PatternListBox::show(int entry) {
  setCurrentIndex(entry);
  shown_ = entry;
}

}  // namespace strovel
