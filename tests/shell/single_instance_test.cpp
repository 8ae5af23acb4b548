#include "shell/single_instance.h"

#include <gtest/gtest.h>

#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "qt_test_app.h"
#include "support/test_support.h"

namespace tlv {
namespace {

using test::RunEventsUntil;

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { test::TestApplication(); }
  // An absolute socket path inside the test's own folder keeps runs apart.
  QString SocketName() const { return QString::fromStdString((folder_ / "copy.sock").string()); }

  // A second copy runs on its own thread, as it would in its own process: it must not need the
  // running copy's event loop to be free.
  bool ForwardFromAnotherThread(const QString& name, int32_t code) {
    std::atomic<int> result{-1};
    std::thread second([&result, name, code] {
      SingleInstance client(name);
      result = client.ForwardToRunningCopy(code, 2000) ? 1 : 0;
    });
    RunEventsUntil([&result] { return result.load() != -1; }, 5000);
    second.join();
    return result.load() == 1;
  }

  test::TempFolder folder_;
};

TEST_F(SingleInstanceTest, NoRunningCopyMeansNothingIsForwarded) {
  SingleInstance second(SocketName());
  EXPECT_FALSE(second.ForwardToRunningCopy(9998, 200));
}

TEST_F(SingleInstanceTest, SecondCopyHandsItsCodeToTheRunningCopy) {
  SingleInstance first(SocketName());
  std::vector<int32_t> codes;
  ASSERT_TRUE(first.StartListening([&codes](int32_t code) { codes.push_back(code); }));
  EXPECT_TRUE(first.Listening());

  EXPECT_TRUE(ForwardFromAnotherThread(SocketName(), 9991));
  ASSERT_TRUE(RunEventsUntil([&codes] { return codes.size() == 1; }));
  EXPECT_EQ(codes[0], 9991);
  // A plain second start forwards 0; negative codes survive the trip too.
  EXPECT_TRUE(ForwardFromAnotherThread(SocketName(), 0));
  EXPECT_TRUE(ForwardFromAnotherThread(SocketName(), -5));
  ASSERT_TRUE(RunEventsUntil([&codes] { return codes.size() == 3; }));
  EXPECT_EQ(codes[1], 0);
  EXPECT_EQ(codes[2], -5);

  first.StopListening();
  EXPECT_FALSE(first.Listening());
  SingleInstance second(SocketName());
  EXPECT_FALSE(second.ForwardToRunningCopy(1, 200));
}

TEST_F(SingleInstanceTest, AnotherCopyCannotTakeOverTheSocket) {
  SingleInstance first(SocketName());
  int firstCodes = 0;
  ASSERT_TRUE(first.StartListening([&firstCodes](int32_t) { ++firstCodes; }));
  SingleInstance intruder(SocketName());
  EXPECT_FALSE(intruder.StartListening([](int32_t) {}));
  EXPECT_TRUE(ForwardFromAnotherThread(SocketName(), 9997));
  EXPECT_TRUE(RunEventsUntil([&firstCodes] { return firstCodes == 1; }));
}

TEST_F(SingleInstanceTest, StaleSocketOfACrashedCopyIsReplaced) {
  // A socket file that nobody listens on, as a copy that crashed leaves it.
  const std::string path = SocketName().toStdString();
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
  ASSERT_TRUE(std::filesystem::exists(path));

  SingleInstance second(SocketName());
  EXPECT_FALSE(second.ForwardToRunningCopy(9999, 200));
  std::vector<int32_t> codes;
  ASSERT_TRUE(second.StartListening([&codes](int32_t code) { codes.push_back(code); }));
  EXPECT_TRUE(ForwardFromAnotherThread(SocketName(), 9999));
  ASSERT_TRUE(RunEventsUntil([&codes] { return codes.size() == 1; }));
  EXPECT_EQ(codes[0], 9999);
}

TEST_F(SingleInstanceTest, ForeignDataIsIgnored) {
  SingleInstance first(SocketName());
  std::vector<int32_t> codes;
  ASSERT_TRUE(first.StartListening([&codes](int32_t code) { codes.push_back(code); }));
  std::atomic<bool> sent{false};
  std::thread stranger([this, &sent] {
    QLocalSocket socket;
    socket.connectToServer(SocketName());
    if (socket.waitForConnected(1000)) {
      socket.write("GET / HTTP", 10);
      socket.waitForBytesWritten(1000);
      socket.waitForDisconnected(1000);
    }
    sent = true;
  });
  RunEventsUntil([&sent] { return sent.load(); }, 5000);
  stranger.join();
  RunEventsUntil([] { return false; }, 50);
  EXPECT_TRUE(codes.empty());
  // The running copy still serves real hand-overs afterwards.
  EXPECT_TRUE(ForwardFromAnotherThread(SocketName(), 9990));
  EXPECT_TRUE(RunEventsUntil([&codes] { return codes.size() == 1; }));
}

TEST(SingleInstanceName, NamesTheClassAndTheUser) {
  EXPECT_TRUE(SingleInstanceName().endsWith(QStringLiteral("TOLVANE-%1").arg(::getuid())));
}

}  // namespace
}  // namespace tlv

namespace tlv {
namespace {

TEST_F(SingleInstanceTest, OfTwoCopiesStartedTogetherOnlyOneListens) {
  SingleInstance first(SocketName());
  ASSERT_TRUE(first.StartListening([](int32_t) {}));
  EXPECT_TRUE(first.HoldsLock());
  // The second copy of a pair started together looks for the socket before the first has made
  // it, and may remove it while the first makes it: neither may let it listen as well.
  QLocalServer::removeServer(SocketName());
  SingleInstance second(SocketName());
  EXPECT_FALSE(second.StartListening([](int32_t) {}));
  EXPECT_FALSE(second.HoldsLock());
  EXPECT_FALSE(second.Listening());

  // Once the running copy ends, the next copy takes over.
  first.StopListening();
  EXPECT_FALSE(first.HoldsLock());
  EXPECT_TRUE(second.StartListening([](int32_t) {}));
  EXPECT_TRUE(ForwardFromAnotherThread(SocketName(), 9998));
}

}  // namespace
}  // namespace tlv
