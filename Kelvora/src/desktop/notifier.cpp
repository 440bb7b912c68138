#include "desktop/notifier.h"

#include <cstdio>

#include "desktop/desktop_notifications.h"
#include "kelv/core/util/system_info.h"
#include "shell/installed_app.h"

namespace kelv::app {

namespace {

// Prints the notification when there is no installed application to show it.
bool printed(const QString& title, const QString& body) {
  if (installedAppId()) return false;
  // One line per notification: whoever reads the output (a terminal, a test) splits on lines,
  // and error descriptions may carry line breaks of their own.
  QString line = title + QStringLiteral(": ") + body;
  line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  const QByteArray bytes = line.toUtf8() + '\n';
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
  std::fflush(stdout);
  return true;
}

}  // namespace

void Notifier::post(const QString& title, const QString& body,
                    const std::optional<QString>& meeting) {
  if (printed(title, body)) return;
  DesktopNotifications::Request request;
  request.identifier = QString::fromStdString(core::randomUUID());
  request.title = title;
  request.body = body;
  if (meeting) request.context.insert(QStringLiteral("meeting"), *meeting);
  DesktopNotifications::instance().show(request);
}

void Notifier::postFile(const QString& title, const QString& body,
                        const std::filesystem::path& file, const std::optional<QString>& meeting) {
  if (printed(title, body)) return;
  DesktopNotifications::Request request;
  request.identifier = QString::fromStdString(core::randomUUID());
  request.title = title;
  request.body = body;
  request.category = QString::fromLatin1(kFileCategory);
  request.context.insert(QStringLiteral("reveal"), QString::fromStdString(file.string()));
  if (meeting) request.context.insert(QStringLiteral("meeting"), *meeting);
  DesktopNotifications::instance().show(request);
}

void Notifier::registerCategories() {
  DesktopNotifications::instance().addCategory(
      {QString::fromLatin1(kFileCategory),
       {{QString::fromLatin1(kRevealAction), QStringLiteral("Mostrar en la carpeta")}}});
}

}  // namespace kelv::app
