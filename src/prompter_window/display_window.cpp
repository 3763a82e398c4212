// SPDX-License-Identifier: GPL-3.0-or-later
#include "display_window.h"

#include "prompter_view/prompter_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMouseEvent>
#include <QScreen>
#include <QToolTip>
#include <QWindow>

namespace qm {

DisplayWindow::DisplayWindow(PrompterController &controller)
    // Override-redirect like the notch panel: the window manager neither decorates, moves nor
    // focuses it, so it covers the screen exactly, above docks and bars.
    : QWidget(nullptr,
        Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint
            | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setWindowTitle(QStringLiteral("Quillmere Prompter Display"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    // Opaque black under everything the view draws.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    setMouseTracking(true);

    m_view = new PrompterView(controller, this);
    m_view->installEventFilter(this);

    m_pointerRest.setSingleShot(true);
    m_pointerRest.setInterval(kPointerRestMs);
    connect(&m_pointerRest, &QTimer::timeout, this, &DisplayWindow::hidePointer);

    // Override-redirect windows stay below windows mapped after them; raise now and then, but
    // not over the program's own menus and tooltips.
    m_raise.setInterval(kRaiseIntervalMs);
    connect(&m_raise, &QTimer::timeout, this, [this] {
        if (!QApplication::activePopupWidget() && !QToolTip::isVisible())
            raise();
    });
}

DisplayWindow::~DisplayWindow() = default;

void DisplayWindow::cover(QScreen *screen)
{
    m_screen = screen;
    if (!screen)
        return;
    if (QWindow *window = windowHandle())
        window->setScreen(screen);
    setGeometry(screen->geometry());
}

void DisplayWindow::applySettings(const Settings &settings)
{
    m_view->setOutput({settings.mirror, settings.flipVertical, settings.eyeLineMarker});
}

bool DisplayWindow::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Enter: {
        pointerMoved();
        const auto *enter = dynamic_cast<QEnterEvent *>(event);
        setHover(m_hover.entered(enter ? enter->globalPosition().toPoint() : QCursor::pos()));
        break;
    }
    case QEvent::Leave:
        m_pointerRest.stop();
        setHover(m_hover.left());
        break;
    case QEvent::MouseMove:
        pointerMoved();
        setHover(m_hover.moved(static_cast<QMouseEvent *>(event)->globalPosition().toPoint()));
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool DisplayWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The view has the pointer nearly everywhere; its motion wakes the pointer up too.
    if (watched == m_view
        && (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress))
        pointerMoved();
    if (watched == m_view && event->type() == QEvent::MouseMove)
        setHover(m_hover.moved(static_cast<QMouseEvent *>(event)->globalPosition().toPoint()));
    return QWidget::eventFilter(watched, event);
}

void DisplayWindow::setHover(bool hovering)
{
    if (hovering == m_hoverReported)
        return;
    m_hoverReported = hovering;
    Q_EMIT hoverChanged(hovering);
}

void DisplayWindow::pointerMoved()
{
    if (m_pointerHidden) {
        m_pointerHidden = false;
        unsetCursor();
    }
    m_pointerRest.start();
}

void DisplayWindow::hidePointer()
{
    m_pointerHidden = true;
    setCursor(Qt::BlankCursor);
}

void DisplayWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_view->setGeometry(rect());
}

void DisplayWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The output covers a whole screen: the pointer is nearly always over it as it appears,
    // which is no reason to pause.
    m_hover.shown(QCursor::pos());
    setHover(false);
    m_raise.start();
    m_pointerRest.start();
}

void DisplayWindow::hideEvent(QHideEvent *event)
{
    m_raise.stop();
    m_pointerRest.stop();
    QWidget::hideEvent(event);
}

void DisplayWindow::contextMenuEvent(QContextMenuEvent *event)
{
    Q_EMIT contextMenuRequested(event->globalPos());
    event->accept();
}

} // namespace qm
