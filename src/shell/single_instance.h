// One running copy per user. The running copy listens on a local socket named after the main
// window class and the user; a second copy connects, hands over its command word's code and
// ends.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace tlv {

// "TOLVANE-" followed by the user id, inside the user's runtime folder when there is one.
QString SingleInstanceName();

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(QString name = SingleInstanceName(), QObject* parent = nullptr);
  ~SingleInstance() override;

  // Hands code (0: no command word) to the running copy. True when a running copy took the
  // connection; false when none runs. Blocks for at most timeoutMs; safe to call from any thread
  // that does not run the listening copy's event loop.
  bool ForwardToRunningCopy(int32_t code, int timeoutMs = 2000);

  // Becomes the running copy: every code a second copy hands over is passed to onCode on this
  // object's thread. A socket left behind by a copy that ended without cleaning up is removed.
  // False when the socket cannot be made, or when another copy already listens or is about to
  // (it holds the lock file beside the socket until it stops listening or ends).
  bool StartListening(std::function<void(int32_t code)> onCode);
  void StopListening();
  bool Listening() const;
  // Whether this copy holds the running copy's lock: true while it listens, and after a
  // StartListening that took the lock but could not make the socket. When StartListening fails
  // without it, another copy is the running copy.
  bool HoldsLock() const { return lockFd_ >= 0; }

  const QString& Name() const { return name_; }

 private:
  void AcceptConnections();
  void ReadCode(QLocalSocket* socket);
  QString LockPath() const;
  bool TakeLock();
  void ReleaseLock();

  QString name_;
  int lockFd_ = -1;
  QLocalServer* server_ = nullptr;
  std::function<void(int32_t)> onCode_;
};

}  // namespace tlv
