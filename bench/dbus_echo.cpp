// The same round trip over the session bus with QtDBus, for comparison with the message
// library: one process answers every method call with its own arguments, the other calls it
// with a byte array of the given size and waits for each answer.
//   dbus_echo serve
//   dbus_echo bench [--count N] [--size B]   prints one JSON line with the round trips per second
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kService = "local.tolvane.BenchEcho";
constexpr const char* kPath = "/echo";
constexpr const char* kInterface = "local.tolvane.BenchEcho";

class Echo : public QDBusVirtualObject {
 public:
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    return connection.send(message.createReply(message.arguments()));
  }
};

int Serve(QCoreApplication& application) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  Echo echo;
  if (!bus.registerVirtualObject(kPath, &echo) || !bus.registerService(kService)) {
    std::fprintf(stderr, "dbus_echo: cannot register on the session bus\n");
    return 1;
  }
  return application.exec();
}

int Bench(long count, long size) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  const QByteArray payload(static_cast<int>(size), 'x');
  const auto call = [&] {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Echo");
    message << payload;
    const QDBusMessage reply = bus.call(message);
    return reply.type() == QDBusMessage::ReplyMessage;
  };
  for (int i = 0; i < 10; ++i) {
    if (!call()) {
      std::fprintf(stderr, "dbus_echo: no echo from %s\n", kService);
      return 1;
    }
  }
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < count; ++i) {
    if (!call()) return 1;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("{\"count\":%ld,\"size\":%ld,\"seconds\":%.3f,\"round_trips_per_second\":%.0f}\n",
              count, size, seconds, count / seconds);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "serve") == 0) return Serve(application);
  if (argc >= 2 && std::strcmp(argv[1], "bench") == 0) {
    long count = 5000, size = 64;
    for (int i = 2; i + 1 < argc; i += 2) {
      if (std::strcmp(argv[i], "--count") == 0) count = std::atol(argv[i + 1]);
      if (std::strcmp(argv[i], "--size") == 0) size = std::atol(argv[i + 1]);
    }
    return Bench(count, size);
  }
  std::fprintf(stderr, "usage: dbus_echo serve | dbus_echo bench [--count N] [--size B]\n");
  return 64;
}
