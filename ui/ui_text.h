// Between the product's byte strings (the ANSI code page of the locale) and
// the Unicode strings Qt widgets show. The same codec is used both ways, so
// a text typed into an edit matches the bytes of files in the user's
// encoding.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace strovel {

QString toDisplay(std::string_view ansi);
std::string fromDisplay(const QString& text);

// A file dialog filter for Qt from a catalogue filter: "|"-separated pairs
// of a display name and a mask, "||" at the end. "txt (*.txt)|*.txt|All
// files (*.*)|*.*||" gives "txt (*.txt);;All files (*)": a mask of "*.*"
// means every file, as it does for the user.
QString dialogFilter(std::string_view catalogueFilter);

// Loads Qt's own translations (the buttons of message boxes, the file
// dialogs) for the language in force, once per process; nothing happens
// when they are not installed.
void loadQtTranslations(int language);

// Paths between Qt and the file system's bytes.
QString toDisplayPath(const std::string& path);
std::string fromDisplayPath(const QString& path);

}  // namespace strovel
