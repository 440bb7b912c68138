// The meetings waiting in the tray pop-over, in queue order, as a list model: each one's
// label and whether it is the one being processed, with its word ("Procesando", "En cola").
// The pop-over's model sets the rows on every change of the queue or of the meeting being
// processed; rows that stay the same are left alone, so their delegates (and the running
// progress bar) survive. Main thread only.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QAbstractListModel>
#include <QString>

#include <vector>

namespace kelv::app {

class MenuQueueModel : public QAbstractListModel {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Made by the pop-over's model.")
  Q_PROPERTY(int count READ count NOTIFY countChanged)

 public:
  enum Role { IdRole = Qt::UserRole + 1, LabelRole, ProcessingRole, StateTextRole };

  struct Row {
    QString id;
    QString label;
    bool processing = false;
    QString stateText;

    bool operator==(const Row&) const = default;
  };

  using QAbstractListModel::QAbstractListModel;

  const std::vector<Row>& rows() const { return rows_; }
  void setRows(std::vector<Row> rows);
  int count() const { return static_cast<int>(rows_.size()); }

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QHash<int, QByteArray> roleNames() const override;

 signals:
  void countChanged();

 private:
  std::vector<Row> rows_;
};

}  // namespace kelv::app
