// Starting the desktop application.
#include "app/desktop_start.h"

#include <QApplication>
#include <cstdlib>

#include "app/main_window.h"

namespace strovel {
namespace {

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

bool displayAvailable() {
  return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

int runDesktop(int argc, char** argv, const CommandLine& options) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kestrune"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/strovel.png")));
  MainWindow window;
  window.interactiveStart(options);
  window.exec();
  return 0;
}

}  // namespace strovel
