#include "notifier.h"

#include <cstdio>

#include "bundle.h"
#include "kelv/core/util/system_info.h"
#include "notification_center.h"

namespace kelv::app {

void Notifier::post(const QString& title, const QString& body,
                    const std::optional<QString>& meeting) {
  if (!bundleIdentifier()) {
    // One line per notification: whoever reads the output (a terminal, a test) splits on lines,
    // and error descriptions may carry line breaks of their own.
    QString line = title + QStringLiteral(": ") + body;
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
    return;
  }
  NotificationCenter::Request request;
  request.identifier = QString::fromStdString(core::randomUUID());
  request.title = title;
  request.body = body;
  if (meeting) request.userInfo.insert(QStringLiteral("meeting"), *meeting);
  NotificationCenter::shared().add(request);
}

}  // namespace kelv::app
