#include "snapshot_views.h"

namespace kelv::snapshots {

std::vector<SnapshotView> snapshotViews(const QStringList& meetingFiles) {
  std::vector<SnapshotView> views;
  // Add a view here: its sheet goes into sheets/ (listed in CMakeLists.txt), or point at a
  // component of the Kelvora module and pass the data it needs as properties.
  views.push_back({QStringLiteral("buttons"), QUrl(QStringLiteral("qrc:/snapshots/ButtonSheet.qml")),
                   {}, 0, 0});
  (void)meetingFiles;
  return views;
}

}  // namespace kelv::snapshots
