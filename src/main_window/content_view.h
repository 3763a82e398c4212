// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace qm {

class Store;
class PrompterController;

// The main window's root: script list, editor and settings side by side.
class ContentView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContentView)

public:
    ContentView(Store &store, PrompterController *prompter, QWidget *parent = nullptr);
    ~ContentView() override;

private:
    Store &m_store;
};

} // namespace qm
