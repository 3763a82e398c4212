// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

namespace qm {

class PillButton;
class Store;

// Tells, above the editor, that a data file found at start-up could not be used and under
// which name its bytes are kept, with a button that opens the folder holding them. The
// scripts' note is a tinted strip, since the list the user sees is not theirs; the settings'
// is a quieter line. Dismissed by its own button; never takes the focus from the editor.
class UnreadableFileNote final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UnreadableFileNote)

public:
    enum class Kind { Scripts, Settings };
    UnreadableFileNote(Store &store, Kind kind, QWidget *parent = nullptr);

    QString text() const;
    PillButton *showButton() const { return m_show; }
    PillButton *dismissButton() const { return m_dismiss; }
    // The sentence for a file kept as `keptAs` (a file name), once moved there or before.
    static QString message(Kind kind, const QString &keptAs, bool moved);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    void sync();
    void showFolder();

    Store &m_store;
    Kind m_kind;
    QLabel *m_text = nullptr;
    PillButton *m_show = nullptr;
    PillButton *m_dismiss = nullptr;
    bool m_dismissed = false;
};

} // namespace qm
