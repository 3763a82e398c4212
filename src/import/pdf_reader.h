// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "read_budget.h"
#include "read_result.h"

#include <QByteArray>
#include <QList>
#include <QRectF>
#include <QString>

namespace qm {

// A PDF's text: lines joined back into paragraphs, words hyphenated at a line's end made
// whole, the header and footer lines that repeat on every page (page numbers among them) and
// the small type of footnotes at a page's foot left out. Single-column text, as scripts are.
// Refuses PDFs locked by a password and ones of more than kMaxPdfPages pages.
ReadResult readPdf(const QByteArray &bytes, const ReadBudget &budget);

// One line of text as laid out on a page, top-left origin, in points; `size` is the height of
// its type.
struct PdfLine {
    QString text;
    QRectF box;
    double size = 0;
};

// The paragraphs of pages' lines (the part of readPdf that needs no PDF): a line larger than
// the body text standing alone comes back as a cue ("# Heading").
QStringList pdfParagraphs(const QList<QList<PdfLine>> &pages);

} // namespace qm
