// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace qm {

class Store;
class PrompterController;
class ContentView;

// The program's one main window: "Quillmere", 1180 × 740 by default, never below 480 × 400
// (narrower than 980 the settings column folds behind a button).
class MainWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    MainWindow(Store &store, PrompterController &prompter, QWidget *parent = nullptr);
    ~MainWindow() override;

    ContentView *contentView() const { return m_content; }
    // Shows, raises and activates the window (after it was closed, too).
    void present();

    static constexpr QSize kDefaultSize {1180, 740};
    static constexpr QSize kMinimumSize {480, 400};

private:
    Store &m_store;
    PrompterController &m_prompter;
    ContentView *m_content = nullptr;
};

} // namespace qm
