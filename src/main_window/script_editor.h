// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBasicTimer>
#include <QPlainTextEdit>

namespace qm {

class CueHighlighter;

// The plain-text editor of a script: base text at 15.5 px with 6 px between lines, cue lines in
// the cue style, a caret in the accent and a selection that only tints the background.
// It reports every edit with the whole text and takes the store's text back without touching
// the caret when nothing changed.
class ScriptEditor final : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScriptEditor)

public:
    explicit ScriptEditor(QWidget *parent = nullptr);
    ~ScriptEditor() override;

    // Shows another script: replaces the text and forgets the undo history, so undoing can
    // never write an earlier script's text into this one.
    void showScript(const QString &text);
    // The shown script's text as the store now holds it. When it is what the editor last
    // showed or wrote, nothing is touched (caret, selection, scroll position and undo stay).
    void syncText(const QString &text);
    // The text as last shown or written.
    const QString &text() const { return m_text; }

    CueHighlighter *highlighter() const { return m_highlighter; }

    static QFont baseFont();
    static QColor baseColor();
    static constexpr double kLineSpacing = 6;
    static constexpr double kCueSpacingBefore = 8;
    static constexpr double kVerticalInset = 10;
    static constexpr int kCaretWidth = 2;

Q_SIGNALS:
    // After every user edit, with the whole text.
    void textEdited(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    void contentsEdited();
    void replaceText(const QString &text);
    void restartBlink();
    QRect caretRect() const;

    CueHighlighter *m_highlighter = nullptr;
    QString m_text;
    bool m_loading = false;
    QBasicTimer m_blink;
    bool m_caretOn = false;
    QRect m_lastCaret;
};

} // namespace qm
