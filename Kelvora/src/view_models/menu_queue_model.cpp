#include "view_models/menu_queue_model.h"

#include <algorithm>
#include <utility>

namespace kelv::app {

void MenuQueueModel::setRows(std::vector<Row> rows) {
  if (rows == rows_) return;
  const int before = count();
  // The queue is short and changes at its ends: rows kept in place are changed in place, the
  // rest are removed or added at the end.
  const int kept = static_cast<int>(std::min(rows.size(), rows_.size()));
  if (count() > static_cast<int>(rows.size())) {
    beginRemoveRows({}, kept, count() - 1);
    rows_.resize(kept);
    endRemoveRows();
  }
  for (int row = 0; row < kept; ++row) {
    if (rows_[row] == rows[row]) continue;
    rows_[row] = rows[row];
    emit dataChanged(index(row), index(row));
  }
  if (static_cast<int>(rows.size()) > kept) {
    beginInsertRows({}, kept, static_cast<int>(rows.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin() + kept),
                 std::make_move_iterator(rows.end()));
    endInsertRows();
  }
  if (count() != before) emit countChanged();
}

int MenuQueueModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count();
}

QVariant MenuQueueModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || index.row() >= count()) return {};
  const Row& row = rows_[index.row()];
  switch (role) {
    case IdRole:
      return row.id;
    case Qt::DisplayRole:
    case LabelRole:
      return row.label;
    case ProcessingRole:
      return row.processing;
    case StateTextRole:
      return row.stateText;
    default:
      return {};
  }
}

QHash<int, QByteArray> MenuQueueModel::roleNames() const {
  return {{IdRole, "meetingId"},
          {LabelRole, "label"},
          {ProcessingRole, "processing"},
          {StateTextRole, "stateText"}};
}

}  // namespace kelv::app
