// Takes the README's screenshots with the real widgets: the main window
// started in the bundled examples folder with errors.shbl loaded, the
// pattern editor open on that pattern with one rule selected, and the
// preview of its rules but the sort (which would not be lined up) over
// server.log. Runs on the
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
#include "engine/trial_run.h"
#include "preview/preview_dialog.h"

namespace {

struct Quiet : strovel::NoticeSink {
  void notify(const strovel::Notice&) override {}
};

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
  if (!save(editor, output + QStringLiteral("pattern-editor.png"))) return 1;
  editor.hide();

  strovel::RuleList rules;
  for (const strovel::Rule& rule : window.pattern().rules)
    if (rule.ActionType != strovel::SortByElement) rules.append(rule);
  Quiet quiet;
  std::optional<strovel::TrialResult> trial =
      strovel::trialRun(rules, "server.log", strovel::RunOptions{},
                        strovel::RunEnvironment(strovel::diskFileSystem(), quiet));
  if (!trial) return 1;
  strovel::PreviewDialog preview(std::make_shared<const strovel::TrialResult>(std::move(*trial)),
                                 {rules, "server.log", {}}, "server.log", true, &window);
  preview.resize(1060, 420);
  preview.waitForAlignment();
  return save(preview, output + QStringLiteral("preview.png")) ? 0 : 1;
}
