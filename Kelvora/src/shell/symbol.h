// A named symbol drawn from the desktop's icon theme (Adwaita as the fallback),
// recoloured to one colour so it follows the appearance like text does. Symbol names map
// to freedesktop icon names in one table (symbol.cpp); a name outside it draws nothing.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QColor>
#include <QQuickPaintedItem>
#include <QString>

namespace kelv::app {

class Symbol : public QQuickPaintedItem {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
  Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)

 public:
  explicit Symbol(QQuickItem* parent = nullptr);

  // The theme icon for a symbol name, or an empty text.
  static QString iconName(const QString& name);

  QString name() const { return name_; }
  void setName(const QString& name);
  QColor color() const { return color_; }
  void setColor(const QColor& color);

  void paint(QPainter* painter) override;

 signals:
  void nameChanged();
  void colorChanged();

 private:
  QString name_;
  QColor color_{Qt::black};
};

}  // namespace kelv::app
