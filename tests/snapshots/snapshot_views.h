// The views the snapshot program renders: each a QML file with the properties it is given,
// drawn once per appearance into OUTDIR/<name>-<appearance>.png.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <vector>

namespace kelv::snapshots {

struct SnapshotView {
  QString name;                 // file name stem, unique
  QUrl source;                  // a QML file in the program's resources or the Kelvora module
  QVariantMap properties;       // initial properties of its root object
  int width = 0;                // 0: the root object's own width
  int height = 0;               // 0: the root object's own height
  std::function<bool()> ready;  // when given, the view is drawn once it holds
};

// Every view, followed by one view per Meeting file given on the command line.
std::vector<SnapshotView> snapshotViews(const QStringList& meetingFiles);

}  // namespace kelv::snapshots
