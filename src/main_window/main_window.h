// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QWidget>

class QMimeData;

namespace qm {

class Store;
class PrompterController;
class ContentView;
class ImportBanner;

// The program's one main window: "Quillmere", 1180 × 740 by default, never below 480 × 400
// (narrower than 980 the settings column folds behind a button).
class MainWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    MainWindow(Store &store, PrompterController &prompter, QWidget *parent = nullptr);
    ~MainWindow() override;

    ContentView *contentView() const { return m_content; }
    ImportBanner *importBanner() const { return m_importBanner; }
    // Imports the files, one after another; failures are named in the banner.
    void importFiles(const QStringList &paths);
    // Shows, raises and activates the window (after it was closed, too).
    void present();

    static constexpr QSize kDefaultSize {1180, 740};
    static constexpr QSize kMinimumSize {480, 400};

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Store &m_store;
    PrompterController &m_prompter;
    ContentView *m_content = nullptr;
    ImportBanner *m_importBanner = nullptr;
};

// The local files among dropped data; empty when it holds none (text, links to web pages).
QStringList droppedFiles(const QMimeData *data);

} // namespace qm
