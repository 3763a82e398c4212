// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/sections.h"

#include <QPointer>
#include <QStringList>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class QAbstractButton;
class QLabel;
class QLayout;
class QLineEdit;

namespace qm {

class Store;
class PrompterController;
class StatsCache;
class ScriptEditor;

// The middle column: the selected script's title, its statistics, the prompter controls, the
// cue strip, the text and a hint bar with the list of shortcuts. Empty without a selection.
class Editor final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Editor)

public:
    Editor(
        Store &store, PrompterController &controller, StatsCache &stats, QWidget *parent = nullptr);
    ~Editor() override;

    ScriptEditor *scriptEditor() const { return m_text; }
    QLineEdit *titleField() const { return m_title; }
    QString statisticsText() const;
    QWidget *cueStrip() const { return m_cueStrip; }
    QWidget *placeholder() const { return m_placeholder; }
    QAbstractButton *shortcutsButton() const { return m_shortcutsButton; }
    // The script shown, if any.
    std::optional<QUuid> shownID() const { return m_shownID; }

    bool showShortcuts() const { return m_showShortcuts; }
    void setShowShortcuts(bool show);
    QWidget *shortcutsPopup() const { return m_popup; }
    // The sheet rows (1…5) whose system-wide keys another program holds; the app keeps this
    // current and the sheet marks them whenever it opens.
    void setRefusedShortcutRows(const QList<int> &rows);
    // Whether the sheet lists the presenter clicker's page keys, and whether they were refused.
    void setClickerShortcut(bool listed, bool refused);
    // The notes under the sheet's rows (see ShortcutSheet::setNotes); replace the marks above.
    void setShortcutNotes(const QStringList &notes);
    // The offer below the sheet's rows (see ShortcutSheet::setOffer).
    void setShortcutOffer(
        const QString &label, std::function<void()> action, const QString &status);

    static constexpr int kMaxTextWidth = 780;
    static constexpr int kSidePadding = 36;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLayout *buildHeader(QWidget *column);
    QWidget *buildCueStrip(QWidget *column);
    QLayout *buildHintBar();
    void selectionChanged();
    void scriptsChanged();
    void showStats(const QUuid &id, const QString &text);

    Store &m_store;
    PrompterController &m_controller;
    StatsCache &m_stats;
    std::optional<QUuid> m_shownID;

    QWidget *m_content = nullptr;
    QLineEdit *m_title = nullptr;
    QLabel *m_statistics = nullptr;
    QWidget *m_cueStrip = nullptr;
    QWidget *m_cueStripBox = nullptr;
    std::function<void(const QList<ScriptSection> &)> m_setCues;
    // What the strip shows, as (id, cue) pairs: the bodies change on every keystroke, the chips
    // only when a cue line does.
    QList<std::pair<qint64, QString>> m_cueKeys;
    ScriptEditor *m_text = nullptr;
    QWidget *m_placeholder = nullptr;
    QAbstractButton *m_shortcutsButton = nullptr;
    QPointer<QWidget> m_popup;
    bool m_showShortcuts = false;
    QList<int> m_refusedShortcutRows;
    bool m_clickerListed = false;
    bool m_clickerRefused = false;
    QStringList m_shortcutNotes;
    struct Offer {
        QString label;
        std::function<void()> action;
        QString status;
    };
    Offer m_shortcutOffer;
    void applyToSheet();
};

} // namespace qm
