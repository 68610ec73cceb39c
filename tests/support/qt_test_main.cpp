// main() for the widget tests: a QApplication on the offscreen platform
// (unless another one is asked for), then every GoogleTest case.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdlib>

namespace {

// The offscreen platform warns about window features it lacks; the rest of
// Qt's messages are kept.
QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QStringLiteral("does not support propagateSizeHints"))) return;
  if (previousHandler) previousHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  previousHandler = qInstallMessageHandler(quietHandler);
  std::setlocale(LC_ALL, "");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
