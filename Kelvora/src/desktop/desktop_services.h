// The desktop's services the meetings window needs: showing files selected in the file manager
// (org.freedesktop.FileManager1 on the session bus, else opening the folder that holds them),
// opening a file in its default application (the desktop's URL opener), putting plain text on
// the clipboard, and asking where to save a file. Main thread only; a QGuiApplication must
// exist (a QApplication for the save dialog).
#pragma once

#include <QString>

#include <QStringList>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace kelv::app::DesktopServices {

// Asks the file manager to show the files selected. Returns at once; when no file manager
// answers on the bus (or it refuses), the folder of the first file is opened instead.
void reveal(const std::vector<std::filesystem::path>& files);

// Opens the file with the user's default application for its type. False when the desktop
// has no opener for it.
bool open(const std::filesystem::path& file);

// Replaces the clipboard's contents with the text, as plain text.
void copy(const QString& text);

// A question of where to save: the dialog's title, the file proposed (folder and name) and
// the file types offered ("PDF (*.pdf)"), the first one chosen.
struct SaveQuestion {
  QString title;
  std::filesystem::path proposed;
  QStringList types;
};
// The answer: the file, and which of the types was chosen.
struct SaveAnswer {
  std::filesystem::path file;
  int type = 0;
};
using SaveChooser = std::function<std::optional<SaveAnswer>(const SaveQuestion&)>;

// Asks the user with the desktop's save dialog, or with the chooser set in its place (tests
// answer without a dialog); nothing when the user cancels.
std::optional<SaveAnswer> chooseSaveFile(const SaveQuestion& question);
// Replaces the dialog; an empty chooser brings it back.
void setSaveChooser(SaveChooser chooser);

}  // namespace kelv::app::DesktopServices
