// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_panel.h"

#include "panel_frame.h"
#include "panel_input.h"
#include "platform/window_focus.h"
#include "prompter_view/prompter_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QMouseEvent>
#include <QToolTip>
#include <QWindow>

namespace qm {

namespace {

// sway and i3 tile every ordinary window, XWayland's included, and float dialogs.
bool tilingWindowManager()
{
    if (!qEnvironmentVariableIsEmpty("SWAYSOCK") || !qEnvironmentVariableIsEmpty("I3SOCK"))
        return true;
    const QStringList desktops
        = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    for (const QString &desktop : desktops) {
        if (desktop.compare(QLatin1String("sway"), Qt::CaseInsensitive) == 0
            || desktop.compare(QLatin1String("i3"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

Qt::WindowFlags flagsFor(PrompterMode mode)
{
    if (mode == PrompterMode::Notch) {
        // Override-redirect: the window manager neither places, decorates nor focuses it, so it
        // can sit over the top bar at exactly the coordinates given.
        return Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint
            | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;
    }
    // A plain top-level window rather than a tool window: KWin hides the tool windows of an
    // application that is not active, which is exactly when the floating panel is needed.
    // A dialog where the window manager tiles plain windows, so the panel floats there too.
    return (tilingWindowManager() ? Qt::Dialog : Qt::Window) | Qt::FramelessWindowHint
        | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;
}

Qt::CursorShape cursorFor(Qt::Edges edges)
{
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool falling
            = edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

} // namespace

PrompterPanel::PrompterPanel(PrompterController &controller, PrompterMode mode, bool translucent)
    : QWidget(nullptr, flagsFor(mode))
    , m_mode(mode)
    , m_translucent(translucent)
{
    setWindowTitle(QStringLiteral("Quillmere Prompter"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The view draws the rounded shape; the corners outside it stay see-through where a
    // compositor runs, and are black otherwise.
    if (translucent) {
        setAttribute(Qt::WA_TranslucentBackground);
    } else {
        QPalette black = palette();
        black.setColor(QPalette::Window, Qt::black);
        setPalette(black);
    }
    setFocusPolicy(Qt::NoFocus);
    if (mode == PrompterMode::Floating) {
        setMinimumSize(panel_frame::kFloatingMinimumWidth, panel_frame::kFloatingMinimumHeight);
        // For the resize cursors along the edges.
        setMouseTracking(true);
    }

    m_content = new PrompterView(controller, this);
    // The view has the pointer's motion nearly everywhere; hover needs to see it.
    m_content->installEventFilter(this);

    // Never the keyboard's, on any window manager, however it is clicked or dragged.
    create();
    platform::setNeverFocused(windowHandle());

    m_resizeEnd.setSingleShot(true);
    m_resizeEnd.setInterval(kResizeEndMs);
    connect(&m_resizeEnd, &QTimer::timeout, this, &PrompterPanel::resizeEnded);

    // Override-redirect windows stay below any window mapped after them; raising them now and
    // then keeps the notch panel on top of newly opened windows. Not while one of the
    // program's own menus or tooltips is open, which would end up beneath it.
    m_raise.setInterval(kRaiseIntervalMs);
    connect(&m_raise, &QTimer::timeout, this, [this] {
        if (!QApplication::activePopupWidget() && !QToolTip::isVisible())
            raise();
    });
}

PrompterPanel::~PrompterPanel() = default;

void PrompterPanel::place(const QRect &geometry)
{
    m_placing = true;
    setGeometry(geometry);
    m_placing = false;
    m_placed = this->geometry();
}

void PrompterPanel::finishResize()
{
    if (!m_resizeEnd.isActive())
        return;
    m_resizeEnd.stop();
    Q_EMIT resizeEnded();
}

bool PrompterPanel::isOwnPlacement()
{
    if (m_placing)
        return true;
    if (m_placed) {
        if (geometry() == *m_placed)
            return true;
        // The first geometry the program did not set ends the echoes of its own placement.
        m_placed.reset();
    }
    return false;
}

bool PrompterPanel::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Enter: {
        const auto *enter = dynamic_cast<QEnterEvent *>(event);
        setHover(m_hover.entered(enter ? enter->globalPosition().toPoint() : QCursor::pos()));
        break;
    }
    case QEvent::MouseMove:
        setHover(m_hover.moved(static_cast<QMouseEvent *>(event)->globalPosition().toPoint()));
        break;
    case QEvent::Leave:
        setHover(m_hover.left());
        if (!m_drag)
            unsetCursor();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool PrompterPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_content && event->type() == QEvent::MouseMove)
        setHover(m_hover.moved(static_cast<QMouseEvent *>(event)->globalPosition().toPoint()));
    return QWidget::eventFilter(watched, event);
}

void PrompterPanel::setHover(bool hovering)
{
    if (hovering == m_hoverReported)
        return;
    m_hoverReported = hovering;
    Q_EMIT hoverChanged(hovering);
}

void PrompterPanel::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // A geometry change that keeps the position (a resize from the right or bottom edge) also
    // arrives as a move event; it is not a move.
    if (event->pos() == event->oldPos() || isOwnPlacement())
        return;
    // A resize from the left or top edge moves the window too; the end of it waits for the
    // last of either.
    if (m_resizeEnd.isActive())
        m_resizeEnd.start();
    Q_EMIT moved();
}

void PrompterPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_content->setGeometry(rect());
    if (!isOwnPlacement())
        m_resizeEnd.start();
}

void PrompterPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Wherever the pointer rests now, the panel appearing there is not the pointer's doing.
    m_hover.shown(QCursor::pos());
    setHover(false);
    if (m_mode == PrompterMode::Notch)
        m_raise.start();
}

void PrompterPanel::hideEvent(QHideEvent *event)
{
    m_raise.stop();
    QWidget::hideEvent(event);
}

void PrompterPanel::mousePressEvent(QMouseEvent *event)
{
    if (m_mode != PrompterMode::Floating || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const Qt::Edges edges = resizeEdges(size(), event->position().toPoint());
    QWindow *window = windowHandle();
    const bool bySystem
        = window && (edges ? window->startSystemResize(edges) : window->startSystemMove());
    if (!bySystem)
        m_drag = ManualDrag {edges, geometry(), event->globalPosition().toPoint()};
    event->accept();
}

void PrompterPanel::mouseMoveEvent(QMouseEvent *event)
{
    if (m_drag && (event->buttons() & Qt::LeftButton)) {
        const QPoint delta = event->globalPosition().toPoint() - m_drag->startGlobal;
        if (m_drag->edges)
            setGeometry(
                resizedGeometry(m_drag->startGeometry, m_drag->edges, delta, minimumSize()));
        else
            move(m_drag->startGeometry.topLeft() + delta);
        event->accept();
        return;
    }
    if (m_mode == PrompterMode::Floating && event->buttons() == Qt::NoButton)
        updateCursor(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void PrompterPanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_drag && event->button() == Qt::LeftButton) {
        m_drag.reset();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void PrompterPanel::contextMenuEvent(QContextMenuEvent *event)
{
    Q_EMIT contextMenuRequested(event->globalPos());
    event->accept();
}

void PrompterPanel::updateCursor(QPoint pos)
{
    const Qt::Edges edges = resizeEdges(size(), pos);
    if (edges)
        setCursor(cursorFor(edges));
    else
        unsetCursor();
}

} // namespace qm
