// SPDX-License-Identifier: GPL-3.0-or-later
#include "script_editor.h"

#include "cue_highlighter.h"
#include "main_window/controls/overlay_scroll_bar.h"
#include "model/sections.h"
#include "model/text_direction.h"
#include "stats_cache.h"
#include "ui/fonts.h"
#include "ui/palette.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace qm {

namespace {

constexpr int kFollowAbove = 32; // paragraphs looked back at for a blank one's side

// Qt's plain-text layout aligns every paragraph left, whatever its direction. A paragraph read
// from the right is aligned right, where its lines start; a blank one, or one of digits alone,
// sides with the nearest paragraph above that has a direction, so the caret of a new line
// stays on the side the writing goes on. Only the option changes: alignment is applied when
// lines are drawn and hit, so the line breaks stay Qt's.
void alignToDirection(const QTextBlock &block, QTextLayout *layout)
{
    QTextOption option = layout->textOption();
    // Set with AlignAbsolute once decided for a paragraph with a direction of its own; the
    // layout gets the document's option (without it) back whenever the paragraph changes.
    if (option.alignment() & Qt::AlignAbsolute)
        return;
    Qt::LayoutDirection direction = paragraphDirection(block.text());
    const bool own = direction != Qt::LayoutDirectionAuto;
    QTextBlock above = block.previous();
    for (int i = 0; direction == Qt::LayoutDirectionAuto && i < kFollowAbove && above.isValid();
         ++i, above = above.previous())
        direction = paragraphDirection(above.text());
    Qt::Alignment alignment = direction == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    if (own)
        alignment |= Qt::AlignAbsolute;
    if (option.alignment() == alignment)
        return;
    option.setAlignment(alignment);
    layout->setTextOption(option);
}

// The plain-text layout places every line straight under the one before. This one adds the
// line spacing after each line, the space before a cue paragraph and the inset above the first
// and below the last paragraph. Qt lays a paragraph out first; the lines are then only moved,
// so line breaking stays Qt's and costs nothing extra.
class ScriptLayout final : public QPlainTextDocumentLayout {
public:
    explicit ScriptLayout(QTextDocument *document)
        : QPlainTextDocumentLayout(document)
    {
    }

    QRectF blockBoundingRect(const QTextBlock &block) const override
    {
        if (!block.isValid())
            return {};
        QTextLayout *layout = block.layout();
        // Keep the shaped glyphs of every paragraph once laid out: without them each repaint
        // and each caret placement shapes the lines again, which costs more than the edit.
        // Only paragraphs that were shown are ever laid out.
        if (!layout->cacheEnabled())
            layout->setCacheEnabled(true);
        ensureBlockLayout(block);
        if (!block.isVisible())
            return {};
        alignToDirection(block, layout);
        const bool first = !block.previous().isValid();
        double y = first ? ScriptEditor::kVerticalInset : 0;
        // Space before a cue paragraph separates it from the text above; at the very top there
        // is nothing to separate it from.
        const QChar head = document()->characterAt(block.position());
        if (!first && block.length() > 1 && isCueLine(QStringView(&head, 1)))
            y += ScriptEditor::kCueSpacingBefore;
        double right = 0;
        for (int i = 0; i < layout->lineCount(); ++i) {
            QTextLine line = layout->lineAt(i);
            if (line.y() != y)
                line.setPosition(QPointF(0, y));
            y += line.height() + ScriptEditor::kLineSpacing;
            right = qMax(right, line.naturalTextWidth());
        }
        if (!block.next().isValid())
            y += ScriptEditor::kVerticalInset;
        return QRectF(0, 0, right, y);
    }
};

QString plainTextOf(const QTextDocument *document)
{
    // The raw text keeps no-break spaces and U+2028 as typed (toPlainText would rewrite them);
    // only the paragraph separators become line feeds.
    QString text = document->toRawText();
    // One separator per paragraph in a long text: jumping between them with the vectorised
    // search is several times faster than QString::replace's loop over every character.
    qsizetype at = text.indexOf(QChar::ParagraphSeparator);
    if (at < 0)
        return text;
    QChar *data = text.data();
    while (at >= 0) {
        data[at] = u'\n';
        at = text.indexOf(QChar::ParagraphSeparator, at + 1);
    }
    return text;
}

} // namespace

ScriptEditor::ScriptEditor(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("scriptText"));
    auto *document = new QTextDocument(this);
    document->setDocumentLayout(new ScriptLayout(document));
    document->setDocumentMargin(0);
    document->setDefaultFont(baseFont());
    document->setUndoRedoEnabled(true);
    setDocument(document);
    setFont(baseFont());
    m_highlighter = new CueHighlighter(document);

    setFrameShape(QFrame::NoFrame);
    setBackgroundVisible(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    {
        // Each paragraph takes the direction of its own text, not the window's.
        QTextOption option = document->defaultTextOption();
        option.setTextDirection(Qt::LayoutDirectionAuto);
        document->setDefaultTextOption(option);
    }
    setTabStopDistance(28);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setCursorWidth(kCaretWidth);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    pal.setColor(QPalette::Text, baseColor());
    pal.setColor(QPalette::Highlight, QColor(0xFF, 0x5A, 0x36, qRound(255 * 0.3)));
    setPalette(pal);
    new OverlayScrollBar(this);

    connect(this, &QPlainTextEdit::textChanged, this, &ScriptEditor::contentsEdited);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &ScriptEditor::restartBlink);
    connect(this, &QPlainTextEdit::selectionChanged, this, [this] { viewport()->update(); });
}

ScriptEditor::~ScriptEditor() = default;

QFont ScriptEditor::baseFont()
{
    return fonts::system(15.5);
}

QColor ScriptEditor::baseColor()
{
    return palette::white(86);
}

void ScriptEditor::showScript(const QString &text)
{
    replaceText(text);
    moveCursor(QTextCursor::Start);
    verticalScrollBar()->setValue(0);
}

void ScriptEditor::syncText(const QString &text)
{
    if (sameText(text, m_text))
        return;
    const int position = textCursor().position();
    const int scroll = verticalScrollBar()->value();
    replaceText(text);
    QTextCursor cursor = textCursor();
    cursor.setPosition(qMin(position, document()->characterCount() - 1));
    setTextCursor(cursor);
    verticalScrollBar()->setValue(scroll);
}

void ScriptEditor::replaceText(const QString &text)
{
    m_loading = true;
    // setPlainText also clears the undo history.
    setPlainText(text);
    m_loading = false;
    m_text = text;
}

void ScriptEditor::contentsEdited()
{
    if (m_loading)
        return;
    QString text = plainTextOf(document());
    if (sameText(text, m_text))
        return;
    m_text = std::move(text);
    Q_EMIT textEdited(m_text);
}

void ScriptEditor::insertFromMimeData(const QMimeData *source)
{
    // Only the text of what is pasted or dropped; its styling never arrives.
    if (source && source->hasText())
        insertPlainText(source->text());
}

void ScriptEditor::paintEvent(QPaintEvent *event)
{
    // Painted here rather than by QPlainTextEdit: its selection repaints the selected text in
    // one colour (cue lines would lose theirs) and its caret inverts the pixels under it.
    QPainter painter(viewport());
    const QRect exposed = event->rect();
    painter.setPen(baseColor());

    const QTextCursor cursor = textCursor();
    const int selectionStart = cursor.selectionStart();
    const int selectionEnd = cursor.selectionEnd();
    QTextCharFormat selectionFormat;
    selectionFormat.setBackground(palette().color(QPalette::Highlight));

    QPointF offset = contentOffset();
    QTextBlock block = firstVisibleBlock();
    const double bottom = viewport()->rect().height();
    while (block.isValid()) {
        const QRectF r = blockBoundingRect(block).translated(offset);
        if (r.top() > exposed.bottom() || r.top() > bottom)
            break;
        if (block.isVisible() && r.bottom() >= exposed.top()) {
            QList<QTextLayout::FormatRange> selections;
            const int start = block.position();
            const int length = block.length();
            if (selectionEnd > selectionStart && selectionStart < start + length
                && selectionEnd > start) {
                QTextLayout::FormatRange range;
                range.start = qMax(selectionStart - start, 0);
                range.length = qMin(selectionEnd - start, length) - range.start;
                range.format = selectionFormat;
                selections.append(range);
            }
            block.layout()->draw(&painter, r.topLeft(), selections, exposed);
        }
        offset.ry() += r.height();
        block = block.next();
    }

    if (m_caretOn && !cursor.hasSelection() && hasFocus() && !isReadOnly()) {
        const QRect caret = caretRect();
        if (caret.intersects(exposed))
            painter.fillRect(caret, palette::tally());
    }
}

QRect ScriptEditor::caretRect() const
{
    const QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    if (!block.isValid() || !block.layout())
        return {};
    const QRectF r = blockBoundingGeometry(block).translated(contentOffset());
    const int position = cursor.position() - block.position();
    const QTextLine line = block.layout()->lineForTextPosition(position);
    if (!line.isValid())
        return {};
    const double x = line.cursorToX(position);
    return QRectF(r.left() + x, r.top() + line.y(), kCaretWidth, line.height()).toAlignedRect();
}

void ScriptEditor::restartBlink()
{
    m_caretOn = hasFocus();
    if (hasFocus() && QApplication::cursorFlashTime() > 0)
        m_blink.start(QApplication::cursorFlashTime() / 2, this);
    else
        m_blink.stop();
    const QRect caret = caretRect();
    viewport()->update(m_lastCaret.adjusted(-1, -1, 1, 1));
    viewport()->update(caret.adjusted(-1, -1, 1, 1));
    m_lastCaret = caret;
}

void ScriptEditor::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_blink.timerId()) {
        QPlainTextEdit::timerEvent(event);
        return;
    }
    m_caretOn = !m_caretOn;
    m_lastCaret = caretRect();
    viewport()->update(m_lastCaret.adjusted(-1, -1, 1, 1));
}

void ScriptEditor::focusInEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusInEvent(event);
    restartBlink();
}

void ScriptEditor::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    m_blink.stop();
    m_caretOn = false;
    viewport()->update(m_lastCaret.adjusted(-1, -1, 1, 1));
}

void ScriptEditor::keyPressEvent(QKeyEvent *event)
{
    // Tab types a tab; Ctrl+Tab and Ctrl+Shift+Tab move on, as in other text views.
    const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tab && (event->modifiers() & Qt::ControlModifier)) {
        const bool back
            = event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
        // The text edit refuses to move on while it is editable; the widget moves on.
        QWidget::focusNextPrevChild(!back);
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

} // namespace qm
