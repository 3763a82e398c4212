// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window.h"

#include "content_view.h"
#include "import_banner.h"
#include "import_queue.h"
#include "main_window/controls/focus_ring.h"
#include "sidebar.h"
#include "ui/palette.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
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
    m_importBanner = new ImportBanner(this);
    layout->addWidget(m_importBanner);
    m_content = new ContentView(store, prompter, this);
    layout->addWidget(m_content);
    FocusRing::install(this);

    ImportQueue *imports = m_content->sidebar()->imports();
    connect(imports, &ImportQueue::failed, m_importBanner, &ImportBanner::addLine);
    // Every failure of one drop or choice stays in view, even when later files go in.
    connect(imports, &ImportQueue::batchStarted, m_importBanner, &ImportBanner::clear);

    // Files dropped anywhere on the window are imported. Widgets that take drops themselves
    // (the script's text, the title) would paste the files' paths instead, so their drops of
    // files are taken here first.
    setAcceptDrops(true);
    for (QWidget *child : findChildren<QWidget *>()) {
        if (child->acceptDrops())
            child->installEventFilter(this);
    }
}

QStringList droppedFiles(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.append(url.toLocalFile());
    }
    return paths;
}

void MainWindow::importFiles(const QStringList &paths)
{
    m_content->sidebar()->imports()->add(paths);
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    importFiles(paths);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (droppedFiles(drop->mimeData()).isEmpty())
            break;
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop)
            importFiles(droppedFiles(drop->mimeData()));
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
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
