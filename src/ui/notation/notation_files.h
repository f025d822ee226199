// The numbered-notation view on paper and in files: A4 pages (PDF, a printer) and SVG.
#pragma once

#include <QString>
#include <string>

#include "notation/bar_layout.h"
#include "ui/notation/notation_painter.h"

class QPagedPaintDevice;

namespace tunelet::ui {

struct NotationDocument {
    notation::Score score;
    NotationHeader header;
};

// Draws the document on the device's pages: the header on the first, a page number at
// the foot of each, systems kept whole. Answers the number of pages, 0 when the device
// failed.
int paintPages(QPagedPaintDevice &device, const NotationDocument &document);

// A4 with 15 mm margins; the fonts are embedded (WenQuanYi Micro Hei, a TrueType font,
// draws the digits and the Chinese text). The file is written by the program's file
// writer (score::replaceFileAtomically), so it is replaced only when it is written whole.
// Both return an empty string, or why the file could not be written. The path is the
// file name's bytes, as the system has them (not necessarily UTF-8).
QString writeNotationPdf(const NotationDocument &document, const std::string &path);
QString writeNotationPdf(const NotationDocument &document, const QString &path);
// One picture of the whole score, an A4 page wide, every letter turned into outlines, each
// outline written once and placed by reference (SvgOutlineDevice).
QString writeNotationSvg(const NotationDocument &document, const std::string &path);
QString writeNotationSvg(const NotationDocument &document, const QString &path);

} // namespace tunelet::ui
