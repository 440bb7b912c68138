#include "view_models/meeting_actions.h"

namespace kelv::app {

using State = core::MeetingEntry::State;

MeetingActions::Allowed MeetingActions::of(const MeetingRow* row) {
  if (row == nullptr) return {};
  const core::MeetingEntry& entry = row->entry;
  const bool file = entry.meetingFile.has_value();
  return {.rename = !entry.isBusy(),
          .copy = file,
          .open = file,
          .reveal = file,
          .revealAudio = row->hasAudio,
          .exportFile = file,
          .cards = file,
          .retry = entry.state == State::needsAttention,
          .reprocess = row->canReprocess(),
          .remove = !entry.isBusy()};
}

MeetingActions::MeetingActions(QObject* parent) : QObject(parent) {}

void MeetingActions::setMeetings(MeetingsWindowModel* meetings) {
  if (meetings_ == meetings) return;
  if (meetings_) disconnect(meetings_, nullptr, this, nullptr);
  meetings_ = meetings;
  // The list is made when the window's model is attached to the application model.
  if (meetings_) {
    connect(meetings_, &MeetingsWindowModel::attached, this, &MeetingActions::follow);
    connect(meetings_, &MeetingsWindowModel::makingCardsChanged, this, &MeetingActions::reconsider);
  }
  follow();
  emit meetingsChanged();
}

void MeetingActions::setMeetingId(const QString& id) {
  if (meetingId_ == id) return;
  meetingId_ = id;
  reconsider();
  emit meetingIdChanged();
}

void MeetingActions::follow() {
  MeetingListModel* list = meetings_ ? meetings_->list() : nullptr;
  if (list != list_) {
    if (list_) disconnect(list_, nullptr, this, nullptr);
    list_ = list;
    // Once a read is applied: while the rows change one by one, an id may still point at the
    // row it had before.
    if (list_) connect(list_, &MeetingListModel::refreshed, this, &MeetingActions::reconsider);
  }
  reconsider();
}

void MeetingActions::reconsider() {
  Allowed now = of(list_ ? list_->find(meetingId_) : nullptr);
  if (meetings_ && meetings_->makesCards(meetingId_)) now.cards = false;
  if (now == allowed_) return;
  allowed_ = now;
  emit changed();
}

}  // namespace kelv::app
