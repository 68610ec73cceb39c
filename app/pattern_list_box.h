// The main window's pattern list: a drop-down of the pattern files of one
// folder, sorted as they are shown, ignoring case. It remembers the folder
// it was filled from, so that an entry chosen after a file dialog has moved
// the current folder still loads the file it names in that folder: the
// list loads what it shows. It also remembers the entry whose pattern is
// in force, to go back to when a choice is cancelled or fails. Each entry
// shows its whole name as a tooltip.
//
//   PatternListBox list(window);
//   list.refill();                       // the current folder's patterns, none selected
//   loadPattern(state, list.pathOf(0));  // "a.shbl", or "/patterns/a.shbl" once elsewhere
//   list.show(0);
#pragma once

#include <QComboBox>
#include <string>

namespace strovel {

class PatternListBox : public QComboBox {
  Q_OBJECT

 public:
  explicit PatternListBox(QWidget* parent);

  // Fills the list from the current folder; no entry is selected.
  void refill();
  // The entry of that name, or -1.
  int entryOf(const std::string& name) const;
  std::string nameAt(int entry) const;
  // The path that loads an entry: the bare name while the current folder is
  // the list's, else the name in the list's folder.
  std::string pathOf(int entry) const;
  // The entry that shows the file at `path` (absolute, or relative to the
  // current folder), or -1.
  int entryOfPath(const std::string& path) const;
  // Selects the entry (-1: none) as the one whose pattern is in force.
  void show(int entry);
  // Back to the entry last shown.
  void restore() { setCurrentIndex(shown_); }

 private:
  std::string folder_;  // absolute; where the entries' files are
  int shown_ = -1;
};

}  // namespace strovel
