// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <memory>

namespace qm {

class Store;
class PrompterController;
class StatsCache;
class Sidebar;
class Editor;

// The main window's root: the script list, the editor and the settings column side by side,
// separated by hairlines. Extra width goes to the editor alone.
class ContentView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContentView)

public:
    ContentView(Store &store, PrompterController &prompter, QWidget *parent = nullptr);
    ~ContentView() override;

    Sidebar *sidebar() const { return m_sidebar; }
    Editor *editor() const { return m_editor; }
    QWidget *settingsPanel() const { return m_settings; }

    static constexpr int kSettingsWidth = 272;
    static constexpr QSize kMinimumSize {980, 600};

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Shared by the list rows and the editor, so a keystroke computes the statistics once.
    std::unique_ptr<StatsCache> m_stats;
    Sidebar *m_sidebar = nullptr;
    Editor *m_editor = nullptr;
    QWidget *m_settings = nullptr;
};

} // namespace qm
