// One running application per user. The first instance listens on a local socket named after
// the user; a later launch hands its arguments (kelvora: URLs) to it and exits.
#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

namespace kelv::app {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(QObject* parent = nullptr);
  ~SingleInstance() override;

  // Sends the arguments to a running instance; false when none answers.
  static bool forward(const QStringList& arguments);
  // Becomes the running instance; false when another one already listens.
  bool listen();

 signals:
  void received(const QStringList& arguments);

 private:
  QLocalServer* server_ = nullptr;
};

}  // namespace kelv::app
