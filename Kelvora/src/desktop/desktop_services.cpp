#include "desktop/desktop_services.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QStringList>
#include <QUrl>

namespace kelv::app::DesktopServices {

namespace {

QUrl fileUrl(const std::filesystem::path& path) {
  return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

void openContainingFolder(const std::filesystem::path& file) {
  QDesktopServices::openUrl(fileUrl(file.parent_path()));
}

SaveChooser& chooser() {
  static SaveChooser replaced;
  return replaced;
}

std::optional<SaveAnswer> saveDialog(const SaveQuestion& question) {
  QString chosenType = question.types.value(0);
  const QString file = QFileDialog::getSaveFileName(
      nullptr, question.title, QString::fromStdString(question.proposed.string()),
      question.types.join(QStringLiteral(";;")), &chosenType);
  if (file.isEmpty()) return std::nullopt;
  return SaveAnswer{file.toStdString(), std::max<int>(0, question.types.indexOf(chosenType))};
}

}  // namespace

std::optional<SaveAnswer> chooseSaveFile(const SaveQuestion& question) {
  return chooser() ? chooser()(question) : saveDialog(question);
}

void setSaveChooser(SaveChooser replacement) { chooser() = std::move(replacement); }

void reveal(const std::vector<std::filesystem::path>& files) {
  if (files.empty()) return;
  QStringList uris;
  for (const auto& file : files) uris << fileUrl(file).toString(QUrl::FullyEncoded);
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"),
      QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << uris << QString();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    openContainingFolder(files.front());
    return;
  }
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), qApp);
  const std::filesystem::path first = files.front();
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                   [first](QDBusPendingCallWatcher* finished) {
                     finished->deleteLater();
                     if (finished->isError()) openContainingFolder(first);
                   });
}

bool open(const std::filesystem::path& file) { return QDesktopServices::openUrl(fileUrl(file)); }

void copy(const QString& text) {
  if (QClipboard* clipboard = QGuiApplication::clipboard())
    clipboard->setText(text, QClipboard::Clipboard);
}

}  // namespace kelv::app::DesktopServices
