#include "shell/single_instance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace tlv {

namespace {

// A hand-over is the signature followed by the code as a big-endian 32-bit value; the running
// copy answers with one byte once it has taken the code.
constexpr std::array<char, 4> kSignature = {'T', 'L', 'V', '1'};
constexpr qint64 kMessageSize = 8;
constexpr char kAnswer = 'K';
constexpr int kConnectTimeoutMs = 1000;
// A connection that has not handed over its code by then is dropped.
constexpr int kHandOverTimeoutMs = 5000;

}  // namespace

QString SingleInstanceName() {
  const QString name = QStringLiteral("TOLVANE-%1").arg(static_cast<qulonglong>(::getuid()));
  // The user's private runtime folder keeps other users from taking the name first.
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime + QLatin1Char('/') + name;
  return name;
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
  StopListening();
}

bool SingleInstance::ForwardToRunningCopy(int32_t code, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(std::min(timeoutMs, kConnectTimeoutMs))) return false;
  std::array<char, kMessageSize> message{};
  std::copy(kSignature.begin(), kSignature.end(), message.begin());
  const uint32_t value = static_cast<uint32_t>(code);
  for (size_t i = 0; i < 4; ++i) {
    message[4 + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
  }
  socket.write(message.data(), kMessageSize);
  socket.waitForBytesWritten(timeoutMs);
  // A copy that accepted the connection runs, even when it is too busy to answer in time: a
  // second window must not start beside it. The answer only tells that the code arrived.
  if (socket.waitForReadyRead(timeoutMs)) socket.read(1);
  socket.disconnectFromServer();
  return true;
}

QString SingleInstance::LockPath() const {
  const QString socketPath =
      QDir::isAbsolutePath(name_) ? name_ : QDir::tempPath() + QLatin1Char('/') + name_;
  return socketPath + QStringLiteral(".lock");
}

bool SingleInstance::TakeLock() {
  if (lockFd_ >= 0) return true;
  const QByteArray path = QFile::encodeName(LockPath());
  const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  // The lock goes with the descriptor, so a copy that crashes lets go of it at once.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  lockFd_ = fd;
  return true;
}

void SingleInstance::ReleaseLock() {
  if (lockFd_ < 0) return;
  ::close(lockFd_);
  lockFd_ = -1;
}

bool SingleInstance::StartListening(std::function<void(int32_t code)> onCode) {
  StopListening();
  // Two copies started together both find no running copy; the lock lets exactly one of them
  // make the socket, so the other never removes or replaces it.
  if (!TakeLock()) return false;
  // Making the socket replaces any file of the same name, so first make sure no copy answers
  // on it; a file nobody answers on was left by a copy that crashed.
  {
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(kConnectTimeoutMs)) {
      probe.abort();
      ReleaseLock();
      return false;
    }
  }
  QLocalServer::removeServer(name_);
  onCode_ = std::move(onCode);
  server_ = new QLocalServer(this);
  // Only this user may hand codes to the running copy.
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) {
    // The lock stays: this copy runs on without taking words, and no other copy starts beside
    // it.
    delete server_;
    server_ = nullptr;
    return false;
  }
  connect(server_, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnections);
  return true;
}

void SingleInstance::StopListening() {
  if (server_ != nullptr) {
    server_->close();
    delete server_;
    server_ = nullptr;
  }
  ReleaseLock();
}

bool SingleInstance::Listening() const {
  return server_ != nullptr && server_->isListening();
}

void SingleInstance::AcceptConnections() {
  while (server_ != nullptr && server_->hasPendingConnections()) {
    QLocalSocket* socket = server_->nextPendingConnection();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadCode(socket); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kHandOverTimeoutMs, socket, [socket] { socket->abort(); });
    if (socket->bytesAvailable() >= kMessageSize) ReadCode(socket);
  }
}

void SingleInstance::ReadCode(QLocalSocket* socket) {
  if (socket->property("tlvDone").toBool() || socket->bytesAvailable() < kMessageSize) return;
  socket->setProperty("tlvDone", true);
  std::array<char, kMessageSize> message{};
  socket->read(message.data(), kMessageSize);
  if (!std::equal(kSignature.begin(), kSignature.end(), message.begin())) {
    // Not one of ours: nothing is taken from it.
    socket->abort();
    return;
  }
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) {
    value = (value << 8) | static_cast<unsigned char>(message[4 + i]);
  }
  socket->write(&kAnswer, 1);
  socket->flush();
  if (onCode_) onCode_(static_cast<int32_t>(value));
}

}  // namespace tlv
