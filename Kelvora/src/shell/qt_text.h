// The one conversion of the core's texts (UTF-8 in std::string) into Qt's QString, for the
// models that hand core values to the views. Qt's own toStdString goes the other way. Pure;
// safe from any thread.
#pragma once

#include <QString>

#include <optional>
#include <string>

namespace kelv::app {

inline QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

// An absent value reads as the empty text.
inline QString text(const std::optional<std::string>& utf8) { return text(utf8.value_or("")); }

}  // namespace kelv::app
