// Starting the desktop application.
#include "app/desktop_start.h"

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/main_window.h"
#include "patterns/pattern_library.h"

namespace strovel {
namespace {

namespace fs = std::filesystem;

// Enters the folder of `path`; gives the file name to select, or empty when
// the folder cannot be entered.
std::string enterFolderOf(const std::string& path) {
  const fs::path file(path);
  std::error_code error;
  if (file.has_parent_path()) fs::current_path(file.parent_path(), error);
  return error ? std::string() : file.filename().string();
}

}  // namespace

void startWindow(MainWindow& window, const CommandLine& options, const std::string& openedPattern) {
  if (openedPattern.empty()) {
    window.interactiveStart(options);
    return;
  }
  const std::string name = enterFolderOf(openedPattern);
  window.interactiveStart(CommandLine{}, name);
}

int runDesktop(int argc, char** argv, const CommandLine& options,
               const std::string& openedPattern) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kestrune"));
  QApplication::setDesktopFileName(QStringLiteral("org.strovel.Strovel"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/strovel.png")));
  MainWindow window;
  startWindow(window, options, openedPattern);
  window.exec();
  return 0;
}

}  // namespace strovel
