// The desktop's services the meetings window needs: showing files selected in the file manager
// (org.freedesktop.FileManager1 on the session bus, else opening the folder that holds them),
// opening a file in its default application (the desktop's URL opener), and putting plain text
// on the clipboard. Main thread only; a QGuiApplication must exist.
#pragma once

#include <QString>

#include <filesystem>
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

}  // namespace kelv::app::DesktopServices
