// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window.h"

#include "content_view.h"
#include "main_window/controls/focus_ring.h"
#include "ui/palette.h"

#include <QVBoxLayout>

namespace qm {

MainWindow::MainWindow(Store &store, PrompterController &prompter, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Quillmere"));
    setObjectName(QStringLiteral("main"));
    setMinimumSize(kMinimumSize);
    resize(kDefaultSize);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, palette::ink());
    setPalette(pal);
    setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_content = new ContentView(store, prompter, this);
    layout->addWidget(m_content);
    FocusRing::install(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::present()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

} // namespace qm
