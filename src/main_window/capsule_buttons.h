// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>

namespace qm {

// A plain button drawn by hand: no frame of the style, dimmed while pressed, and fadable as a
// whole so a view can cross-fade between alternatives.
class PaintedButton : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PaintedButton)

public:
    explicit PaintedButton(QWidget *parent = nullptr);

    double opacity() const { return m_opacity; }
    void setOpacity(double opacity);

protected:
    // The fade times the pressed dimming.
    double paintOpacity() const;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    double m_opacity = 1;
};

// What a screen reader calls a button that shows a symbol: its tooltip without the keys in
// brackets ("Restart (Ctrl+Alt+R)" is "Restart").
QString accessibleNameFromTip(const QString &tip);

// "Start prompter": the gradient capsule with the key hint. Its shadow is drawn by whoever
// holds it (it falls outside the button).
class StartButton final : public PaintedButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StartButton)

public:
    explicit StartButton(QWidget *parent = nullptr);
    QSize sizeHint() const override;

    static constexpr int kHeight = 38;

protected:
    void paintEvent(QPaintEvent *) override;
    bool hitButton(const QPoint &pos) const override;
};

// A capsule on `raised` with a hairline edge: a symbol and a title ("Stop").
class CapsuleButton final : public PaintedButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CapsuleButton)

public:
    CapsuleButton(const QString &symbol, const QString &title, QWidget *parent = nullptr);
    QSize sizeHint() const override;

    static constexpr int kHeight = 36;

protected:
    void paintEvent(QPaintEvent *) override;
    bool hitButton(const QPoint &pos) const override;

private:
    QString m_symbol;
};

// A 36 × 36 circle on `raised` holding one symbol, `tally` when it is the accent.
class RoundButton final : public PaintedButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RoundButton)
    Q_PROPERTY(QString symbol READ symbol)

public:
    RoundButton(const QString &symbol, bool accent, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {kSize, kSize}; }

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol);

    static constexpr int kSize = 36;

protected:
    void paintEvent(QPaintEvent *) override;
    bool hitButton(const QPoint &pos) const override;

private:
    QString m_symbol;
    bool m_accent = false;
};

// One cue of the strip: its number and its text on a capsule, `tallySoft` while current.
class CueChip final : public PaintedButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CueChip)
    Q_PROPERTY(int number READ number)
    Q_PROPERTY(bool current READ isCurrent)

public:
    CueChip(int number, const QString &cue, QWidget *parent = nullptr);
    QSize sizeHint() const override;
    // Every chip is this tall: one line of its text and 6 above and below.
    static int chipHeight();

    int number() const { return m_number; }
    bool isCurrent() const { return m_current; }
    // `highlight` is the drawn mix between the plain (0) and the current (1) look; it trails
    // `current` while the strip animates.
    void setCurrent(bool current, double highlight);
    double highlight() const { return m_highlight; }

protected:
    void paintEvent(QPaintEvent *) override;
    bool hitButton(const QPoint &pos) const override;

private:
    int m_number = 0;
    bool m_current = false;
    double m_highlight = 0;
};

} // namespace qm
