// One running application per user. The first instance listens on a local socket named after
// the user; a later launch hands its arguments (kelvora: URLs) to it and exits.
//
// The socket lives in $XDG_RUNTIME_DIR (else the temporary folder, named with the user id);
// with KELV_DEFAULTS_SUITE set its name includes the suite, so test instances never meet the
// user's. Beside it, a lock file held for the instance's lifetime decides who is the instance,
// so a socket left behind by a crash is replaced safely. Main thread only.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace kelv::app {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(QObject* parent = nullptr);
  ~SingleInstance() override;

  // Sends the arguments to a running instance and waits until it has handled them; false when
  // none answers.
  static bool forward(const QStringList& arguments);
  // Becomes the running instance; false when another one already listens.
  bool listen();

  // The full path of the socket for the current environment.
  static QString socketPath();

 signals:
  void received(const QStringList& arguments);

 private:
  void accept();
  void read(QLocalSocket* socket);

  QLocalServer* server_ = nullptr;
  int lock_ = -1;
};

}  // namespace kelv::app
