// The one QApplication the shell tests share, on the offscreen platform unless the run says
// otherwise.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace tlv::test {

inline QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "tolvane_shell_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Runs the event loop, waiting between events as the program's loop does, until done() holds or
// timeoutMs pass; answers done().
inline bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
  QElapsedTimer clock;
  clock.start();
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done() || clock.elapsed() >= timeoutMs) loop.quit();
  });
  poll.start();
  if (!done()) loop.exec();
  return done();
}

}  // namespace tlv::test
