// Takes the README's screenshots with the real widgets: the main window
// started in the bundled examples folder with errors.shbl loaded, and the
// pattern editor open on that pattern with one rule selected. Runs on the
// offscreen platform, so no display is needed.
//
//   strovel_screenshots EXAMPLES_FOLDER OUTPUT_FOLDER
#include <QApplication>
#include <QListWidget>
#include <QPixmap>
#include <QTest>
#include <clocale>
#include <cstdlib>
#include <iostream>

#include "app/desktop_start.h"
#include "app/main_window.h"
#include "editor/pattern_editor_dialog.h"

namespace {

bool save(QWidget& widget, const QString& path) {
  widget.show();
  widget.activateWindow();
  QTest::qWait(100);  // let the layout settle and paint
  if (widget.grab().save(path)) return true;
  std::cerr << "strovel_screenshots: cannot write " << path.toStdString() << "\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: strovel_screenshots EXAMPLES_FOLDER OUTPUT_FOLDER\n";
    return 2;
  }
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::setlocale(LC_ALL, "");
  const QString output = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/");
  const std::string pattern = std::string(argv[1]) + "/errors.shbl";
  int qtArgc = 1;
  QApplication app(qtArgc, argv);

  strovel::MainWindow window;
  window.setOpener([](const std::string&) {});
  strovel::startWindow(window, strovel::CommandLine{}, pattern);
  if (!save(window, output + QStringLiteral("main-window.png"))) return 1;

  strovel::PatternEditorDialog editor(window.pattern().rules, false, &window);
  editor.findChild<QListWidget*>(QStringLiteral("ruleList"))->setCurrentRow(2);
  return save(editor, output + QStringLiteral("pattern-editor.png")) ? 0 : 1;
}
