// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

namespace qm {

// The program's own top-level windows in the order they were created (the main window first,
// then each prompter panel). Snapshot mode lists and renders them in this order; tooltips and
// menus are not windows of the program in this sense.
class WindowRegistry final {
public:
    static void add(QWidget *window);
    static QList<QWidget *> windows();
};

} // namespace qm
