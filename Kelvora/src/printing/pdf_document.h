// A class typeset for reading and printing: the title with its date and length, the notes
// (headings, lists, tasks, quotes, code, inline styling), then the transcript with times and
// speakers, on pages of the locale's paper size numbered "n / m". Qt's PDF writer embeds the
// fonts it uses and keeps the text selectable. Needs a QGuiApplication (any platform, the
// offscreen one included); runs on the thread that owns it.
#pragma once

#include <QPageSize>
#include <QString>

#include "kelv/core/export/exported_meeting.h"

namespace kelv::app::PdfDocument {

// Letter where the paper locale is in the United States or Canada (LC_PAPER, else the
// system locale), A4 everywhere else.
QPageSize::PageSizeId pageSizeForLocale();

// The document's text as rich-text HTML, for QTextDocument.
QString html(const core::ExportedMeeting& meeting);

// Writes the PDF beside `path` and moves it into place, so a reader never sees half a file.
// Throws std::runtime_error with the user's text when it can't be written.
void write(const core::ExportedMeeting& meeting, const QString& path,
           QPageSize::PageSizeId pageSize = pageSizeForLocale());

}  // namespace kelv::app::PdfDocument
