// Symbols drawn from the icon theme on the platform the tests and snapshots use, which brings
// no desktop theme of its own: every named symbol shows in its colour, an unknown name nothing.
#include <QImage>

#include <gtest/gtest.h>

#include "shell/theme.h"
#include "view_harness.h"

namespace kelv::test {
namespace {

// Pixels of `colour` in the 24 × 24 square the symbol covers.
int pixelsOf(ViewHarness& views, QQuickItem* symbol, QColor colour) {
  const QImage image = views.grab();
  const QPoint origin = symbol->mapToScene(QPointF(0, 0)).toPoint();
  int count = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x)
      if (image.pixelColor(origin + QPoint(x, y)).rgb() == colour.rgb()) ++count;
  return count;
}

TEST(SymbolView, NamedSymbolsDrawInTheirColourAndUnknownNamesDrawNothing) {
  app::Theme::shared().force(app::Appearance::light);
  const struct {
    const char* name;
    bool drawn;
  } cases[] = {{"exclamationmark.triangle.fill", true},
               {"macwindow", true},
               {"gearshape", true},
               {"power", true},
               {"circle.dotted.circle", true},
               {"bolt.horizontal.circle", true},
               {"doc.on.doc", true},
               {"checkmark", true},
               {"checkmark.circle.fill", true},
               {"checkmark.square.fill", true},
               {"arrow.down.circle", true},
               {"square.and.pencil", true},
               {"folder", true},
               {"ellipsis", true},
               {"arrow.down.to.line", true},
               {"sparkles", true},
               {"chevron.down", true},
               {"slider.horizontal.3", true},
               {"no.such.symbol", false}};
  for (const auto& [name, drawn] : cases) {
    SCOPED_TRACE(name);
    ViewHarness views;
    QQuickItem* root = views.loadText(
        QByteArray("Rectangle { color: 'white'; Symbol { objectName: 'symbol'; x: 8; y: 8;"
                   " width: 24; height: 24; color: '#ff0000'; name: '") +
            name + "' } }",
        {}, {40, 40});
    ASSERT_NE(root, nullptr);
    views.settle();
    const int red = pixelsOf(views, views.find("symbol"), QColor(255, 0, 0));
    if (drawn)
      EXPECT_GT(red, 20);
    else
      EXPECT_EQ(red, 0);
  }
}

}  // namespace
}  // namespace kelv::test
