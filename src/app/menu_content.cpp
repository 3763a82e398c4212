// SPDX-License-Identifier: GPL-3.0-or-later
#include "menu_content.h"

#include "prompter/prompter_controller.h"
#include "ui/logo.h"
#include "ui/texts.h"

#include <QAction>
#include <QCursor>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace qm {

MenuContent::MenuContent(
    PrompterController &prompter, std::function<void()> openMainWindow, QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
    , m_openMainWindow(std::move(openMainWindow))
    , m_menu(std::make_unique<QMenu>())
{
    m_toggle = m_menu->addAction(QString());
    m_playPause = m_menu->addAction(QString());
    m_restart = m_menu->addAction(texts::restartItem());
    m_menu->addSeparator();
    m_open = m_menu->addAction(QStringLiteral("Open Quillmere"));
    m_quit = m_menu->addAction(QStringLiteral("Quit Quillmere"));
    // Shown in the menu and live wherever the action is added to one of the program's windows.
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setShortcutContext(Qt::ApplicationShortcut);
    m_quit->setMenuRole(QAction::QuitRole);

    connect(m_toggle, &QAction::triggered, this, [this] { m_prompter.toggle(); });
    connect(m_playPause, &QAction::triggered, this, [this] { m_prompter.playPause(); });
    connect(m_restart, &QAction::triggered, this, [this] { m_prompter.restart(); });
    connect(m_open, &QAction::triggered, this, [this] {
        if (m_openMainWindow)
            m_openMainWindow();
    });
    connect(m_quit, &QAction::triggered, this, &MenuContent::quitRequested);

    connect(m_menu.get(), &QMenu::aboutToShow, this, &MenuContent::refreshTitles);
    // Some trays copy the menu once and never ask again before showing it; keep it current.
    connect(&m_prompter, &PrompterController::isVisibleChanged, this, &MenuContent::refreshTitles);
    connect(&m_prompter, &PrompterController::isPlayingChanged, this, &MenuContent::refreshTitles);
    refreshTitles();

    m_retry.setInterval(kTrayRetryMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (tryTray() || --m_retriesLeft <= 0)
            m_retry.stop();
    });
}

MenuContent::~MenuContent()
{
    // The tray icon refers to the menu; let it go first.
    delete m_tray;
}

void MenuContent::refreshTitles()
{
    m_toggle->setText(
        m_prompter.isVisible() ? texts::hidePrompterItem() : texts::showPrompterItem());
    m_playPause->setText(m_prompter.isPlaying() ? texts::pauseItem() : texts::playItem());
}

void MenuContent::showInTray()
{
    if (!tryTray() && !m_retry.isActive()) {
        m_retriesLeft = kTrayRetries;
        m_retry.start();
    }
}

bool MenuContent::tryTray()
{
    if (m_tray)
        return true;
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_tray = new QSystemTrayIcon(logoIcon(), this);
    m_tray->setToolTip(QStringLiteral("Quillmere"));
    m_tray->setContextMenu(m_menu.get());
    // A click on the icon opens the same menu, as a menu-bar item would.
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger) {
            refreshTitles();
            m_menu->popup(QCursor::pos());
        }
    });
    m_tray->show();
    return true;
}

QPixmap MenuContent::logoMark(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    paintLogoMark(p, QRectF(0, 0, size, size));
    return pixmap;
}

QIcon MenuContent::logoIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(logoMark(size));
    return icon;
}

} // namespace qm
