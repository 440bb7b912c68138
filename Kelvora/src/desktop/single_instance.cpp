#include "desktop/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <optional>

#include "kelv/core/util/environment.h"

namespace kelv::app {
namespace {

// One message: the arguments as a JSON array of texts on one line; the answer is "ok".
constexpr qint64 kMaxMessage = 64 * 1024;
constexpr int kConnectTimeoutMs = 1000;
// The running instance handles the arguments before answering, and starting or stopping a
// recording can hold its main thread for a few seconds.
constexpr int kAnswerTimeoutMs = 15000;
// A client that connects and never finishes its message is dropped.
constexpr int kIdleTimeoutMs = 10000;
const QByteArray kAnswer = "ok\n";

QString runtimeFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
    return runtime;
  return QDir::tempPath();
}

QString baseName() {
  QString name = QStringLiteral("kelvora");
  // In a shared temporary folder the name must tell users apart.
  if (qEnvironmentVariable("XDG_RUNTIME_DIR").isEmpty())
    name += QLatin1Char('-') + QString::number(::getuid());
  const std::optional<std::string> suiteName = core::Environment::ofProcess().preferencesSuite;
  const QByteArray suite = suiteName ? QByteArray::fromStdString(*suiteName) : QByteArray();
  if (!suite.isEmpty()) {
    // Hashed so that any suite text makes a short, valid file name.
    name += QLatin1Char('-') +
            QString::fromLatin1(
                QCryptographicHash::hash(suite, QCryptographicHash::Sha256).toHex().left(16));
  }
  return name;
}

// Parses one message; nothing when it isn't an array of texts.
std::optional<QStringList> decode(const QByteArray& line) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(line, &error);
  if (error.error != QJsonParseError::NoError || !document.isArray()) return std::nullopt;
  QStringList arguments;
  for (const QJsonValue& value : document.array()) {
    if (!value.isString()) return std::nullopt;
    arguments << value.toString();
  }
  return arguments;
}

// Whether some process accepts connections on the socket.
bool answers(const QString& path) {
  QLocalSocket probe;
  probe.connectToServer(path);
  const bool connected = probe.waitForConnected(kConnectTimeoutMs);
  probe.abort();
  return connected;
}

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() {
  if (server_ != nullptr) server_->close();  // removes the socket file
  if (lock_ >= 0) ::close(lock_);
}

QString SingleInstance::socketPath() {
  return runtimeFolder() + QLatin1Char('/') + baseName() + QStringLiteral(".socket");
}

bool SingleInstance::forward(const QStringList& arguments) {
  QLocalSocket socket;
  socket.connectToServer(socketPath());
  if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
  QByteArray message =
      QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact);
  message += '\n';
  socket.write(message);
  if (!socket.waitForBytesWritten(kConnectTimeoutMs) && socket.bytesToWrite() > 0) return false;
  QByteArray answer;
  while (!answer.endsWith('\n') && answer.size() <= kAnswer.size()) {
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(kAnswerTimeoutMs)) break;
    answer += socket.readAll();
  }
  return answer == kAnswer;
}

bool SingleInstance::listen() {
  if (server_ != nullptr && server_->isListening()) return true;
  const QString path = socketPath();
  if (lock_ < 0) {
    // The instance is whoever holds this lock; it is released when the process ends, however
    // it ends, so a crash never leaves the user locked out.
    const QByteArray lockPath = QFile::encodeName(path + QStringLiteral(".lock"));
    const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return false;
    }
    lock_ = fd;
  }
  // With the lock held any socket left is stale, unless an instance that lost its lock file
  // still answers on it.
  if (QFileInfo::exists(path)) {
    if (answers(path)) return false;
    QLocalServer::removeServer(path);
  }
  if (server_ == nullptr) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
  }
  if (server_->listen(path)) return true;
  // Holding the lock without a socket would shut every later launch out.
  ::close(lock_);
  lock_ = -1;
  return false;
}

void SingleInstance::accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
    QTimer::singleShot(kIdleTimeoutMs, socket, [socket] { socket->abort(); });
    if (socket->bytesAvailable() > 0) read(socket);
  }
}

void SingleInstance::read(QLocalSocket* socket) {
  if (!socket->canReadLine()) {
    if (socket->bytesAvailable() > kMaxMessage) socket->abort();
    return;
  }
  const QByteArray line = socket->readLine(kMaxMessage + 1);
  // One message per connection; whatever follows it is not read.
  disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
  const std::optional<QStringList> arguments = decode(line.trimmed());
  if (!arguments) {
    socket->abort();
    return;
  }
  const QPointer<QLocalSocket> guard(socket);
  emit received(*arguments);
  // The receiver may have run an event loop; the client may be gone by now.
  if (guard.isNull() || socket->state() != QLocalSocket::ConnectedState) return;
  socket->write(kAnswer);
  socket->disconnectFromServer();
}

}  // namespace kelv::app
