#include "snapshot_views.h"

#include <QFile>
#include <QFileInfo>

#include "kelv/core/library/frontmatter.h"

namespace kelv::snapshots {

namespace {

// The display title of a Meeting file: its front matter's title, else the file name.
QString titleOf(const QString& path) {
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray text = file.readAll();
    const auto fields = core::Frontmatter::fields(
        core::Frontmatter::lines(std::string_view(text.constData(), text.size())));
    if (fields && fields->count("title")) {
      QString title = QString::fromStdString(fields->at("title"));
      if (title.size() >= 2 && title.startsWith('"') && title.endsWith('"'))
        title = title.mid(1, title.size() - 2).replace(QLatin1String("\\\""), QLatin1String("\""));
      return title;
    }
  }
  return QFileInfo(path).completeBaseName();
}

SnapshotView meetingView(const QString& name, const QString& path) {
  return {name, QUrl(QStringLiteral("qrc:/snapshots/MeetingSheet.qml")),
          {{"path", path}, {"title", titleOf(path)}}, 0, 0};
}

}  // namespace

std::vector<SnapshotView> snapshotViews(const QStringList& meetingFiles) {
  std::vector<SnapshotView> views;
  // Add a view here: its sheet goes into sheets/ (picked up by CMakeLists.txt), or point at a
  // component of the Kelvora module and pass the data it needs as properties.
  views.push_back({QStringLiteral("buttons"), QUrl(QStringLiteral("qrc:/snapshots/ButtonSheet.qml")),
                   {}, 0, 0});
  const QUrl settings(QStringLiteral("qrc:/snapshots/SettingsSheet.qml"));
  views.push_back({QStringLiteral("settings-general"), settings, {{"tab", 0}}, 540, 480});
  views.push_back({QStringLiteral("settings-ai-preset"), settings, {{"tab", 1}}, 540, 480});
  views.push_back({QStringLiteral("settings-ai-custom"), settings,
                   {{"tab", 1}, {"variant", "custom"}}, 540, 480});
  views.push_back({QStringLiteral("settings-advanced"), settings, {{"tab", 2}}, 540, 480});
  const QUrl onboarding(QStringLiteral("qrc:/snapshots/OnboardingSheet.qml"));
  views.push_back({QStringLiteral("onboarding-before"), onboarding, {{"after", false}}, 0, 0});
  views.push_back({QStringLiteral("onboarding-after"), onboarding, {{"after", true}}, 0, 0});
  views.push_back(meetingView(QStringLiteral("meeting-file"),
                              QStringLiteral(KELV_SNAPSHOT_FIXTURES "/clase-algebra-lineal.md")));
  for (const QString& path : meetingFiles)
    views.push_back(meetingView(QStringLiteral("file-") + QFileInfo(path).completeBaseName(),
                                QFileInfo(path).absoluteFilePath()));
  return views;
}

}  // namespace kelv::snapshots
