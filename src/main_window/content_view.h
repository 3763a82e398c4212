// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QAbstractButton;

#include <memory>

namespace qm {

class Store;
class PrompterController;
class StatsCache;
class Sidebar;
class Editor;

// The main window's root: the script list, the editor and the settings column side by side,
// separated by hairlines. Extra width goes to the editor alone. Narrower than kWideWidth (a
// tile of a tiling window manager, half a laptop screen) the settings column leaves the row
// and opens over the editor's right side from a button in the top-right corner instead; when
// even the script list leaves the editor too little room, the list does the same on the left.
class ContentView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContentView)

public:
    ContentView(Store &store, PrompterController &prompter, QWidget *parent = nullptr);
    ~ContentView() override;

    Sidebar *sidebar() const { return m_sidebar; }
    Editor *editor() const { return m_editor; }
    QWidget *settingsPanel() const { return m_settings; }
    // Shown only while narrow; opens and closes the settings over the editor.
    QAbstractButton *settingsButton() const { return m_settingsButton; }
    bool isNarrow() const { return m_narrow; }
    QAbstractButton *scriptsButton() const { return m_scriptsButton; }
    bool listFolded() const { return m_listFolded; }

    static constexpr int kSettingsWidth = 272;
    static constexpr int kWideWidth = 980;
    static constexpr QSize kMinimumSize {480, 400};

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Shared by the list rows and the editor, so a keystroke computes the statistics once.
    std::unique_ptr<StatsCache> m_stats;
    Sidebar *m_sidebar = nullptr;
    Editor *m_editor = nullptr;
    QWidget *m_settings = nullptr;
    QWidget *m_settingsLine = nullptr;
    QAbstractButton *m_settingsButton = nullptr;
    bool m_narrow = false;
    QWidget *m_sidebarLine = nullptr;
    QAbstractButton *m_scriptsButton = nullptr;
    bool m_listFolded = false;
    void setNarrow(bool narrow);
    void setListFolded(bool folded);
    void placeOverlay();
};

} // namespace qm
