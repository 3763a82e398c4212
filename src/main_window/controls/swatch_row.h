// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace qm {

class SwatchPicker;

// "Color" and the swatches. The ring of the chosen swatch reaches 3.5 beyond the circle, so
// the swatches are drawn by a picker that hangs over this row's slot by that much.
class SwatchRow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SwatchRow)

public:
    explicit SwatchRow(const QStringList &colors, QWidget *parent = nullptr);
    ~SwatchRow() override;

    QStringList colors() const { return m_colors; }
    // The stored colour; a swatch is ringed only when it is exactly this text.
    void setSelected(const QString &hex);
    QString selected() const { return m_selected; }
    // The index of the ringed swatch, or -1.
    int ringedIndex() const;
    // Where swatch `index` is drawn, in this row's coordinates.
    QRectF swatchRect(int index) const;
    // What a click on swatch `index` does.
    void pick(int index);
    // The radio button over swatch `index`, for the keyboard and screen readers.
    QAbstractButton *swatchButton(int index) const;

    static constexpr double kDiameter = 18;
    static constexpr double kSpacing = 9;
    static constexpr double kRingOutset = 3.5;

Q_SIGNALS:
    void picked(const QString &hex);

protected:
    bool event(QEvent *event) override;

private:
    friend class SwatchPicker;
    void placePicker();

    QStringList m_colors;
    QString m_selected;
    QWidget *m_slot = nullptr;
    QList<QAbstractButton *> m_swatchButtons;
    // Owned here, though its parent may be the card; either may go first.
    QPointer<QWidget> m_picker;
};

} // namespace qm
