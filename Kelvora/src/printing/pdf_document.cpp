#include "printing/pdf_document.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdlib>
#include <stdexcept>

#include "view_models/inline_markdown.h"

namespace kelv::app::PdfDocument {
namespace {

constexpr const char* kLink = "#1d5fb4";
constexpr int kResolution = 300;  // dots per inch of the page's coordinates
constexpr double kMarginMillimeters = 20;

QString q(const std::string& utf8) { return QString::fromStdString(utf8); }

QString inlineHtml(const std::string& text) { return q(InlineMarkdown::html(text, kLink)); }

QString escaped(const std::string& text) { return q(text).toHtmlEscaped(); }

const char* kStyle =
    "body { font-family: 'DejaVu Sans'; font-size: 10.5pt; color: #1c1c1c; }"
    "h1 { font-size: 20pt; margin-bottom: 2pt; }"
    "h2 { font-size: 14pt; margin-top: 14pt; }"
    "h3 { font-size: 12pt; margin-top: 10pt; }"
    "p.subtitle { color: #5e5e5e; margin-top: 0; }"
    "blockquote { color: #444444; font-style: italic; }"
    "pre { font-family: 'DejaVu Sans Mono'; font-size: 9pt; background-color: #f2f2f2; }"
    "span.field { color: #5e5e5e; font-size: 9pt; }"
    "span.time { color: #7a7a7a; font-family: 'DejaVu Sans Mono'; font-size: 9pt; }"
    "span.you { color: #1d5fb4; font-weight: bold; }"
    "span.them { color: #a33c2b; font-weight: bold; }"
    "span.other { color: #444444; font-weight: bold; }"
    "p.turn { margin-top: 0; margin-bottom: 3pt; }";

QString itemHtml(const core::Block& block) {
  QString marker;
  switch (block.marker.kind) {
    case core::Marker::Kind::bullet:
      marker = QStringLiteral("•");
      break;
    case core::Marker::Kind::number:
      marker = q(block.marker.number).toHtmlEscaped();
      break;
    case core::Marker::Kind::task:
      marker = block.marker.ticked ? QStringLiteral("☑") : QStringLiteral("☐");
      break;
  }
  QString out = QStringLiteral("<p style=\"margin-top:0; margin-bottom:2pt; margin-left:%1pt\">")
                    .arg(12 + 14 * block.level) +
                marker + QStringLiteral("&nbsp;&nbsp;") + inlineHtml(block.text);
  for (const std::string& field : block.fields)
    out += QStringLiteral(" <span class=\"field\">· ") + escaped(field) + QStringLiteral("</span>");
  return out + QStringLiteral("</p>");
}

QString blockHtml(const core::Block& block) {
  switch (block.kind) {
    case core::Block::Kind::heading: {
      const int level = std::min(block.level + 1, 4);  // the title is the one h1
      return QStringLiteral("<h%1>").arg(level) + inlineHtml(block.text) +
             QStringLiteral("</h%1>").arg(level);
    }
    case core::Block::Kind::item:
      return itemHtml(block);
    case core::Block::Kind::quote:
      return QStringLiteral("<blockquote>") + inlineHtml(block.text) +
             QStringLiteral("</blockquote>");
    case core::Block::Kind::code:
      return QStringLiteral("<pre>") + escaped(block.text) + QStringLiteral("</pre>");
    case core::Block::Kind::paragraph:
      return QStringLiteral("<p>") + inlineHtml(block.text) + QStringLiteral("</p>");
    case core::Block::Kind::rule:
      return QStringLiteral("<hr/>");
    case core::Block::Kind::turn:
    case core::Block::Kind::transcript:
      break;
  }
  return {};
}

QString speakerClass(const std::string& speaker) {
  if (speaker == "Yo") return QStringLiteral("you");
  if (speaker == "Profe") return QStringLiteral("them");
  return QStringLiteral("other");
}

QLocale paperLocale() {
  const char* paper = std::getenv("LC_PAPER");
  const char* all = std::getenv("LC_ALL");
  if (all && *all) return QLocale(QString::fromLocal8Bit(all).section(u'.', 0, 0));
  if (paper && *paper) return QLocale(QString::fromLocal8Bit(paper).section(u'.', 0, 0));
  return QLocale::system();
}

}  // namespace

QPageSize::PageSizeId pageSizeForLocale() {
  const QLocale::Territory territory = paperLocale().territory();
  return territory == QLocale::UnitedStates || territory == QLocale::Canada ? QPageSize::Letter
                                                                            : QPageSize::A4;
}

QString html(const core::ExportedMeeting& meeting) {
  QString out;
  out.reserve(static_cast<qsizetype>(meeting.transcript.size()) * 160 + 4096);
  out += QStringLiteral("<html><body><h1>") + escaped(meeting.title) + QStringLiteral("</h1>");
  const std::string subtitle = meeting.dateAndLength();
  if (!subtitle.empty())
    out += QStringLiteral("<p class=\"subtitle\">") + escaped(subtitle) + QStringLiteral("</p>");
  for (const core::Block& block : meeting.notes) out += blockHtml(block);
  if (!meeting.transcript.empty()) {
    out += QStringLiteral("<h2>Transcripción</h2>");
    for (const core::SpokenLine& line : meeting.transcript) {
      out += QStringLiteral("<p class=\"turn\"><span class=\"time\">") + escaped(line.time) +
             QStringLiteral("</span>&nbsp;&nbsp;");
      if (!line.speaker.empty())
        out += QStringLiteral("<span class=\"") + speakerClass(line.speaker) +
               QStringLiteral("\">") + escaped(line.speaker) + QStringLiteral(":</span> ");
      out += escaped(line.text) + QStringLiteral("</p>");
    }
  }
  return out + QStringLiteral("</body></html>");
}

void write(const core::ExportedMeeting& meeting, const QString& path,
           QPageSize::PageSizeId pageSize) {
  const QString partial = path + QStringLiteral(".part");
  {
    QPdfWriter writer(partial);
    writer.setResolution(kResolution);
    writer.setPageSize(QPageSize(pageSize));
    writer.setPageMargins(
        QMarginsF(kMarginMillimeters, kMarginMillimeters, kMarginMillimeters, kMarginMillimeters),
        QPageLayout::Millimeter);
    writer.setTitle(QString::fromStdString(meeting.title));
    writer.setCreator(QStringLiteral("Tizara"));
    QPainter painter;
    if (!painter.begin(&writer))
      throw std::runtime_error("No se pudo crear el PDF «" + path.toStdString() + "».");

    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    document.setDefaultStyleSheet(QString::fromLatin1(kStyle));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setHtml(html(meeting));

    const QRect page = painter.viewport();
    QFont footerFont = font;
    footerFont.setPointSizeF(8.5);
    const int footerHeight = QFontMetrics(footerFont, &writer).height() * 2;
    const QSizeF body(page.width(), page.height() - footerHeight);
    document.setPageSize(body);
    const int pages = document.pageCount();
    for (int index = 0; index < pages; ++index) {
      if (index > 0) writer.newPage();
      painter.save();
      painter.translate(0, -index * body.height());
      document.drawContents(&painter, QRectF(QPointF(0, index * body.height()), body));
      painter.restore();
      painter.setFont(footerFont);
      painter.setPen(QColor(0x5e, 0x5e, 0x5e));
      painter.drawText(QRectF(0, body.height(), page.width(), footerHeight), Qt::AlignCenter,
                       QStringLiteral("%1 / %2").arg(index + 1).arg(pages));
    }
    if (!painter.end())
      throw std::runtime_error("No se pudo escribir el PDF «" + path.toStdString() + "».");
  }
  QFile::remove(path);
  if (!QFile::rename(partial, path)) {
    QFile::remove(partial);
    throw std::runtime_error("No se pudo guardar el PDF en «" + path.toStdString() + "».");
  }
}

}  // namespace kelv::app::PdfDocument
