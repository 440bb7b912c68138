// Stand-ins for the desktop's file services in the application's tests: a file manager that
// answers org.freedesktop.FileManager1 on the private session bus and records what it is asked
// to show, and a receiver for the URLs the desktop's opener would open.
#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

namespace kelv::test {

class FakeFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

 public:
  // Takes the service name on a connection of its own; throws std::runtime_error when it can't.
  FakeFileManager();
  // Gives the name back.
  ~FakeFileManager() override;

  // The URIs of each ShowItems call, in order.
  QList<QStringList> shown;

 public slots:
  void ShowItems(const QStringList& uris, const QString& startupId);
  void ShowFolders(const QStringList& uris, const QString& startupId);
  void ShowItemProperties(const QStringList& uris, const QString& startupId);
};

// Register with QDesktopServices::setUrlHandler(scheme, &receiver, "open").
class OpenedUrls : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;

 public slots:
  void open(const QUrl& url) { urls << url; }
};

}  // namespace kelv::test
