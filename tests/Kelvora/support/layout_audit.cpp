#include "layout_audit.h"

#include <QQmlProperty>
#include <QQuickItem>
#include <QStringList>

#include <cmath>
#include <optional>
#include <vector>

namespace kelv::test {

namespace {

// Antialiased edges and fractional layouts land half a pixel either way.
constexpr qreal kTolerance = 0.5;

// A rectangle (scene coordinates) that cuts off whatever lies outside it; a scrolling view
// cuts only across, since its content may run on below.
struct Clip {
  QRectF rect;
  QString by;
  bool acrossOnly = false;
};

QString typeName(const QQuickItem* item) {
  QString name = QString::fromLatin1(item->metaObject()->className());
  // QML types are "PillButton_QMLTYPE_12"; the built-in ones "QQuickText".
  if (const qsizetype marker = name.indexOf(QLatin1String("_QML")); marker > 0)
    name.truncate(marker);
  if (name.startsWith(QLatin1String("QQuick"))) name.remove(0, 6);
  return name;
}

QString describe(const QQuickItem* item) {
  QString description = item->objectName().isEmpty() ? typeName(item) : item->objectName();
  const QString text = item->property("text").toString();
  if (!text.isEmpty()) description += QStringLiteral(" \"%1\"").arg(text.left(48));
  return description;
}

bool elides(const QQuickItem* text) {
  // Text.ElideNone is 3; the other modes cut the text on purpose.
  return text->property("elide").toInt() != 3;
}

// Where a text draws its letters, in its own coordinates: a box narrower or lower than the
// text doesn't hold them.
QRectF drawnRect(const QQuickItem* item) {
  const QRectF box(0, 0, item->width(), item->height());
  if (!item->inherits("QQuickText") || elides(item)) return box;
  const qreal left = item->property("leftPadding").toReal();
  const qreal right = item->property("rightPadding").toReal();
  const qreal top = item->property("topPadding").toReal();
  const qreal bottom = item->property("bottomPadding").toReal();
  const qreal width = item->property("contentWidth").toReal();
  const qreal height = item->property("contentHeight").toReal();
  const int horizontal = item->property("horizontalAlignment").toInt();
  const int vertical = item->property("verticalAlignment").toInt();
  const qreal room = box.width() - left - right;
  const qreal rows = box.height() - top - bottom;
  qreal x = left;
  if (horizontal & Qt::AlignRight) x = left + room - width;
  if (horizontal & Qt::AlignHCenter) x = left + (room - width) / 2;
  qreal y = top;
  if (vertical & Qt::AlignBottom) y = top + rows - height;
  if (vertical & Qt::AlignVCenter) y = top + (rows - height) / 2;
  return box.united(QRectF(x, y, width, height));
}

void reportOverhang(const QQuickItem* item, const QRectF& drawn, const Clip& clip,
                    QStringList& faults) {
  const struct {
    const char* side;
    qreal by;
    bool along;
  } sides[] = {{"left", clip.rect.left() - drawn.left(), false},
               {"right", drawn.right() - clip.rect.right(), false},
               {"top", clip.rect.top() - drawn.top(), true},
               {"bottom", drawn.bottom() - clip.rect.bottom(), true}};
  for (const auto& [side, by, along] : sides) {
    if (by <= kTolerance || (along && clip.acrossOnly)) continue;
    faults << QStringLiteral("%1 sticks out of %2 by %3 px at the %4")
                  .arg(describe(item), clip.by)
                  .arg(std::ceil(by))
                  .arg(QLatin1String(side));
  }
}

void audit(const QQuickItem* item, std::vector<Clip>& clips, QStringList& faults) {
  if (!item->isVisible() || item->opacity() <= 0) return;
  const bool sized = item->width() > 0 && item->height() > 0;
  if (sized) {
    const QRectF drawn = item->mapRectToScene(drawnRect(item));
    for (const Clip& clip : clips) reportOverhang(item, drawn, clip, faults);
    if (item->inherits("QQuickText") && !elides(item) && item->property("truncated").toBool())
      faults << QStringLiteral("%1 loses lines").arg(describe(item));
  }
  std::size_t added = 0;
  std::optional<std::vector<Clip>> saved;
  auto* mutableItem = const_cast<QQuickItem*>(item);
  const QRectF own = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
  if (sized && item->inherits("QQuickFlickable")) {
    // Its content scrolls under every clip around it too, so those cut only across as well.
    saved = clips;
    for (Clip& clip : clips) clip.acrossOnly = true;
    clips.push_back({own, describe(item), true});
  } else if (sized && QQmlProperty(mutableItem, QStringLiteral("layer.enabled")).read().toBool()) {
    // A layer draws what lies in its source rectangle, the item's own by default.
    QRectF source = QQmlProperty(mutableItem, QStringLiteral("layer.sourceRect")).read().toRectF();
    if (source.isEmpty()) source = QRectF(0, 0, item->width(), item->height());
    clips.push_back({item->mapRectToScene(source), describe(item), false});
    ++added;
  } else if (sized && item->clip()) {
    clips.push_back({own, describe(item), false});
    ++added;
  }
  for (const QQuickItem* child : item->childItems()) audit(child, clips, faults);
  if (saved)
    clips = std::move(*saved);
  else
    clips.resize(clips.size() - added);
}

}  // namespace

std::vector<std::string> layoutFaults(QQuickWindow& window) {
  QStringList faults;
  std::vector<Clip> clips{{QRectF(0, 0, window.width(), window.height()),
                           QStringLiteral("the window \"%1\"").arg(window.objectName()), false}};
  for (const QQuickItem* child : window.contentItem()->childItems()) audit(child, clips, faults);
  std::vector<std::string> lines;
  for (const QString& fault : faults) lines.push_back(fault.toStdString());
  return lines;
}

}  // namespace kelv::test
