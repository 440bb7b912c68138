// A meeting's state as the views know it, and the one table of how each state is shown: the
// badge beside a title in the meetings list and the banner over a meeting's notes both draw a
// state with its word, its symbol (or a dot, for a recording) and its colour from here.
//
// QML reads the states as `MeetingState.Recording` … `MeetingState.Done`; nothing else of the
// type is made. Pure values; any thread.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QObject>
#include <QString>

#include "kelv/core/library/meeting_entry.h"
#include "shell/theme_colors.h"

namespace kelv::app {

class MeetingState : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_UNCREATABLE("Only the values of MeetingState are used.")

 public:
  enum Value { Recording, Processing, Interrupted, NeedsAttention, Done };
  Q_ENUM(Value)

  struct Look {
    // "Grabando", "Procesando", "Interrumpida", "Requiere atención"; empty for a finished
    // meeting, which shows no badge.
    QString text;
    // The Symbol drawn before the word; empty where a dot is drawn instead, or nothing.
    QString symbol;
    bool dot = false;
    ColorName tone = ColorName::ink3;

    bool operator==(const Look&) const = default;
  };

  static Value of(core::MeetingEntry::State state);
  static const Look& look(Value value);
  static const Look& look(core::MeetingEntry::State state) { return look(of(state)); }
};

}  // namespace kelv::app
