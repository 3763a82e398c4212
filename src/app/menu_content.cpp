// SPDX-License-Identifier: GPL-3.0-or-later
#include "menu_content.h"

#include "prompter/prompter_controller.h"
#include "ui/logo.h"
#include "ui/palette.h"
#include "ui/texts.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QPalette>
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
    // A left click is the tray's "activate": it brings the main window up or puts it away, as
    // the desktop's other tray items do. The menu is the tray's own business (right click): it
    // opens it at the icon, which the program cannot know on every desktop.
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger && m_toggleMainWindow)
            m_toggleMainWindow();
    });
    m_tray->show();
    return true;
}

void MenuContent::setToggleMainWindow(std::function<void()> toggle)
{
    m_toggleMainWindow = std::move(toggle);
}

QPalette MenuContent::darkMenuPalette()
{
    QPalette pal;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Window, palette::raised());
        pal.setColor(group, QPalette::Base, palette::raised());
        pal.setColor(group, QPalette::WindowText, Qt::white);
        pal.setColor(group, QPalette::Text, Qt::white);
        pal.setColor(group, QPalette::ButtonText, Qt::white);
        pal.setColor(group, QPalette::Button, palette::raised());
        pal.setColor(group, QPalette::Highlight, palette::white(14));
        pal.setColor(group, QPalette::HighlightedText, Qt::white);
        pal.setColor(group, QPalette::Light, palette::white(12));
        pal.setColor(group, QPalette::Midlight, palette::white(10));
        pal.setColor(group, QPalette::Mid, palette::white(8));
        pal.setColor(group, QPalette::Dark, palette::ink());
        pal.setColor(group, QPalette::Shadow, palette::ink());
    }
    pal.setColor(QPalette::Disabled, QPalette::Window, palette::raised());
    pal.setColor(QPalette::Disabled, QPalette::Base, palette::raised());
    pal.setColor(QPalette::Disabled, QPalette::WindowText, palette::white(35));
    pal.setColor(QPalette::Disabled, QPalette::Text, palette::white(35));
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, palette::white(35));
    return pal;
}

void MenuContent::useDarkMenus()
{
    // Every QMenu of the program: the tray's, the panel's and the text fields' context menus.
    QApplication::setPalette(darkMenuPalette(), "QMenu");
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
