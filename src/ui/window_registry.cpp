// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_registry.h"

namespace qm {

namespace {
QList<QPointer<QWidget>> &registry()
{
    static QList<QPointer<QWidget>> list;
    return list;
}
} // namespace

void WindowRegistry::add(QWidget *window)
{
    auto &list = registry();
    list.removeIf([](const QPointer<QWidget> &w) { return w.isNull(); });
    if (!list.contains(window))
        list.append(window);
}

QList<QWidget *> WindowRegistry::windows()
{
    QList<QWidget *> out;
    for (const auto &w : registry()) {
        if (w)
            out.append(w.data());
    }
    return out;
}

} // namespace qm
