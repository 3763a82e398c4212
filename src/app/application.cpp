// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"

#include "command_line.h"
#include "hot_keys.h"
#include "main_window/content_view.h"
#include "main_window/editor.h"
#include "main_window/main_window.h"
#include "main_window/settings_panel.h"
#include "media_player.h"
#include "menu_content.h"
#include "platform/capture_exclusion.h"
#include "presenter_clicker.h"
#include "prompter/prompter_controller.h"
#include "prompter/voice_monitor.h"
#include "prompter_window/panel_host.h"
#include "prompter_window/prompter_panel.h" // panel_host.h holds a QPointer to it
#include "remote/remote.h"
#include "remote/remote_group.h"
#include "session_end.h"
#include "single_instance.h"
#include "snapshot.h"
#include "store/store.h"
#include "trace_hooks.h"
#include "ui/texts.h"
#include "ui/window_registry.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSessionManager>
#include <QThread>
#include <QTimer>

namespace qm {

Store::DesktopTraits desktopTraits()
{
    return {platform::captureExclusionSupport().enforced, texts::welcomePrivateLine()};
}

namespace {

// What a later launch handed over, which comes without the program's name.
CommandLine handedOver(const QStringList &arguments)
{
    return parseCommandLine(QStringList {QStringLiteral("quillmere")} + arguments);
}

} // namespace

Application::Application(
    Store &store, std::unique_ptr<SingleInstance> instance, HotKeys *hotKeys, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_instance(std::move(instance))
    , m_hotKeys(hotKeys ? *hotKeys : HotKeys::shared())
    , m_voice(std::make_unique<VoiceMonitor>())
    , m_prompter(std::make_unique<PrompterController>(store, *m_voice))
    , m_panelHost(std::make_unique<PanelHost>(*m_prompter))
{
    PrompterController::setShared(m_prompter.get());
    MenuContent::useDarkMenus();
    m_prompter->setWindowHost(m_panelHost.get());

    m_sessionEnd = new SessionEnd(this);
    connect(m_sessionEnd, &SessionEnd::terminationRequested, this, [] { QApplication::quit(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Application::saveOnce);
    // The session manager may end the process right after asking; save while we still can.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
        [this](QSessionManager &) { m_store.save(); });
    // The window tells the user; the log tells whoever looks after the machine, once a problem.
    connect(&m_store, &Store::saveFailed, this, [this](const QString &reason) {
        if (reason != m_loggedSaveFailure)
            qWarning("quillmere: couldn't save your scripts: %s", qPrintable(reason));
        m_loggedSaveFailure = reason;
    });
    connect(&m_store, &Store::saved, this, [this] {
        if (!m_loggedSaveFailure.isEmpty())
            qInfo("quillmere: saved again");
        m_loggedSaveFailure.clear();
    });
    if (m_instance) {
        m_instance->setAnswer(
            [this](const QStringList &arguments) { return answerRemote(arguments); });
        connect(
            m_instance.get(), &SingleInstance::messageReceived, this, &Application::handleRemote);
    }
}

Application::~Application()
{
    // The panel goes before the controller; the controller must not call into it meanwhile.
    m_prompter->setWindowHost(nullptr);
    m_menu.reset();
    m_window.reset();
    m_panelHost.reset();
}

MainWindow *Application::mainWindow() const
{
    return m_window.get();
}

void Application::start(const CommandLine &line)
{
    m_window = std::make_unique<MainWindow>(m_store, *m_prompter, nullptr);
    WindowRegistry::add(m_window.get());

    m_menu = std::make_unique<MenuContent>(*m_prompter, [this] { presentMainWindow(); });
    connect(m_menu.get(), &MenuContent::quitRequested, this, &Application::requestQuit);
    m_menu->setToggleMainWindow([this] { toggleMainWindow(); });
    // The panel's right-click menu is the tray's: the same actions, titles and ways out.
    m_panelHost->setMenuActions(m_menu->menu()->actions());
    m_window->installEventFilter(this);
    connect(m_prompter.get(), &PrompterController::isVisibleChanged, this, [this](bool visible) {
        if (!visible)
            quitIfInvisible();
    });
    // Ctrl+Q from any of the program's windows, the same action the tray menu shows.
    m_window->addAction(m_menu->quitAction());
    installTraceHooks(m_store, m_window.get());
    m_window->present();
    m_menu->showInTray();

    registerPrompterHotKeys(m_hotKeys, *m_prompter);
    if (!m_gnome && platform::GnomeShortcuts::isGnomeDesktop()) {
        auto gnome = std::make_unique<platform::GnomeShortcuts>();
        if (gnome->available())
            m_gnome = std::move(gnome);
    }
    if (m_gnome)
        m_gnomeInstalled = m_gnome->installed();
    showRefusedShortcuts();
    connect(&m_hotKeys, &HotKeys::stateChanged, this, &Application::showRefusedShortcuts);

    // Remotes: media keys, headsets, phones and playerctl through the session bus; a presenter
    // clicker's page keys through the system-wide shortcuts.
    m_mediaPlayer = std::make_unique<MediaPlayer>(m_store, *m_prompter);
    m_mediaPlayer->setRaise([this] { presentMainWindow(); });
    m_clicker = std::make_unique<PresenterClicker>(m_store, *m_prompter, m_hotKeys);
    connect(
        m_clicker.get(), &PresenterClicker::stateChanged, this, &Application::showClickerShortcut);
    connect(&m_store, &Store::settingsChanged, this, &Application::showClickerShortcut);
    showClickerShortcut();

    // The network remote: nothing listens unless the user switched it on.
    m_remote = std::make_unique<Remote>(m_store, *m_prompter);
    if (auto *panel = m_window->findChild<SettingsPanel *>())
        panel->addGroup(new RemoteGroup(m_store, *m_remote));

    if (line.start) {
        QTimer::singleShot(kStartDelayMs, this, [this] { m_prompter->show(); });
    }
    if (const QString dir = line.snapshotDir; !dir.isEmpty())
        QTimer::singleShot(kSnapshotDelayMs, this, [dir] { snapshot(dir); });

    if (!line.importFiles.isEmpty())
        m_window->importFiles(line.importFiles);

    // Commands given to the first launch run once start-up is done, as if sent to it.
    if (const QList<Command> commands = line.commands; !commands.isEmpty()) {
        QTimer::singleShot(0, this, [this, commands] {
            for (const Command c : commands)
                perform(c);
        });
    }
}

void Application::perform(Command command)
{
    if (command == Command::ShowWindow)
        presentMainWindow();
    else
        performOnPrompter(command, *m_prompter);
}

void Application::presentMainWindow()
{
    if (m_window)
        m_window->present();
}

void Application::toggleMainWindow()
{
    if (m_window && m_window->isVisible() && m_window->isActiveWindow() && !m_window->isMinimized())
        m_window->close();
    else
        presentMainWindow();
}

bool Application::eventFilter(QObject *watched, QEvent *event)
{
    // Looked at once the close has gone through: it may still be refused.
    if (watched == m_window.get() && event->type() == QEvent::Close)
        QTimer::singleShot(0, this, &Application::quitIfInvisible);
    return QObject::eventFilter(watched, event);
}

bool Application::wouldBeInvisible() const
{
    // With a tray icon the program stays reachable from it; the main window and a shown
    // prompter are the other two things a user can see.
    if (m_menu && m_menu->trayIcon())
        return false;
    if (m_window && m_window->isVisible())
        return false;
    return !m_prompter->isVisible();
}

void Application::quitIfInvisible()
{
    // Without a tray nothing would be left to bring the program back or to quit it: end it,
    // saved, rather than leave it running unseen.
    if (m_window && wouldBeInvisible())
        requestQuit();
}

void Application::handleRemote(const QStringList &arguments)
{
    const CommandLine line = handedOver(arguments);
    bool acted = false;
    for (const Command c : line.commands) {
        perform(c);
        acted = true;
    }
    if (line.start) {
        if (!m_prompter->isVisible())
            m_prompter->show();
        acted = true;
    }
    // The sender made the path absolute: this process may run in another directory.
    if (!line.snapshotDir.isEmpty()) {
        snapshot(line.snapshotDir);
        acted = true;
    }
    if (line.listShortcuts)
        acted = true;
    if (!line.importFiles.isEmpty() && m_window) {
        // The sender made the paths absolute, as with the snapshot folder.
        presentMainWindow();
        m_window->importFiles(line.importFiles);
        acted = true;
    }
    // A plain second launch means "I want the program": bring its window back.
    if (!acted)
        presentMainWindow();
}

QString Application::answerRemote(const QStringList &arguments) const
{
    if (handedOver(arguments).listShortcuts)
        return shortcutReport(m_hotKeys, commandsNamed(m_gnomeInstalled));
    return {};
}

void Application::setGnomeShortcuts(std::unique_ptr<platform::GnomeShortcuts> gnome)
{
    m_gnome = std::move(gnome);
}

void Application::showRefusedShortcuts()
{
    if (!m_window)
        return;
    Editor *editor = m_window->contentView()->editor();
    // The shortcut sheet says under each row how far its keys work.
    editor->setShortcutNotes(sheetRowNotes(m_hotKeys, commandsNamed(m_gnomeInstalled)));

    // GNOME before its portal had global shortcuts: its own keyboard settings can run the
    // commands instead, once the user asks for it here.
    if (!m_gnome) {
        editor->setShortcutOffer({}, {}, {});
        return;
    }
    if (!m_gnomeInstalled.isEmpty()) {
        editor->setShortcutOffer(
            QStringLiteral("Remove from GNOME keyboard shortcuts"),
            [this] { removeGnomeShortcuts(); }, m_gnomeStatus);
        return;
    }
    bool allActive = m_hotKeys.count() > 0;
    for (quint32 id = 1; id <= quint32(prompterHotKeys().size()); ++id)
        allActive = allActive && m_hotKeys.status(id) == platform::GrabStatus::Granted;
    if (allActive && m_gnomeStatus.isEmpty()) {
        editor->setShortcutOffer({}, {}, {});
        return;
    }
    editor->setShortcutOffer(
        QStringLiteral("Add to GNOME keyboard shortcuts"), [this] { addGnomeShortcuts(); },
        m_gnomeStatus);
}

void Application::changeGnomeShortcuts(
    std::function<void(platform::GnomeShortcuts &)> work, std::function<void()> done)
{
    if (!m_gnome || m_gnomeBusy)
        return;
    m_gnomeBusy = true;
    std::shared_ptr<platform::GnomeShortcuts> gnome = m_gnome;
    QThread *worker = QThread::create([gnome, work = std::move(work)] { work(*gnome); });
    // Delivered here once the worker is through; dropped if the program has gone meanwhile.
    connect(worker, &QThread::finished, this, [this, done = std::move(done)] {
        m_gnomeBusy = false;
        done();
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void Application::removeGnomeShortcuts()
{
    struct Outcome {
        bool ok = false;
        QStringList installed;
    };
    auto outcome = std::make_shared<Outcome>();
    changeGnomeShortcuts(
        [outcome](platform::GnomeShortcuts &gnome) {
            outcome->ok = gnome.remove();
            outcome->installed = gnome.installed();
        },
        [this, outcome] {
            m_gnomeInstalled = outcome->installed;
            m_gnomeStatus = outcome->ok
                ? QString()
                : QStringLiteral("GNOME's keyboard settings could not be changed.");
            showRefusedShortcuts();
        });
}

void Application::addGnomeShortcuts()
{
    struct Outcome {
        platform::GnomeShortcuts::Result result;
        QStringList installed;
    };
    auto outcome = std::make_shared<Outcome>();
    const QList<platform::GnomeShortcuts::Shortcut> shortcuts = gnomeShortcutsFor(
        QCoreApplication::applicationFilePath(), qEnvironmentVariable("XDG_DATA_HOME"));
    changeGnomeShortcuts(
        [outcome, shortcuts](platform::GnomeShortcuts &gnome) {
            outcome->result = gnome.add(shortcuts);
            outcome->installed = gnome.installed();
        },
        [this, outcome] { gnomeShortcutsAdded(outcome->result, outcome->installed); });
}

void Application::gnomeShortcutsAdded(
    const platform::GnomeShortcuts::Result &result, const QStringList &installed)
{
    m_gnomeInstalled = installed;
    if (!result.ok) {
        m_gnomeStatus = QStringLiteral("GNOME's keyboard settings could not be changed.");
    } else if (!result.clashes.isEmpty()) {
        // Never taken over: the user's own shortcut on the same keys stays as it is.
        QStringList keys;
        for (const PrompterHotKey &key : prompterHotKeys()) {
            if (result.clashes.contains(key.chord.name))
                keys.append(key.keys);
        }
        m_gnomeStatus = QStringLiteral("Left out, already used in GNOME: %1.")
                            .arg(keys.join(QStringLiteral(", ")));
    } else {
        m_gnomeStatus.clear();
    }
    showRefusedShortcuts();
}

void Application::showClickerShortcut()
{
    // Listed while the setting is on, marked when the keys were refused the last time.
    if (!m_window || !m_clicker)
        return;
    const bool listed = m_store.settings().presenterClicker;
    m_window->contentView()->editor()->setClickerShortcut(
        listed, listed && m_clicker->refused().value_or(false));
}

void Application::setQuitQuestion(std::function<bool(const QString &)> question)
{
    m_quitQuestion = std::move(question);
}

void Application::requestQuit()
{
    if (m_asking)
        return;
    if (m_store.saveFailure()) {
        const SaveResult again = m_store.save();
        if (!again) {
            m_asking = true;
            const bool quit
                = m_quitQuestion ? m_quitQuestion(again.failure) : askToQuitUnsaved(again.failure);
            m_asking = false;
            if (!quit)
                return;
        }
    }
    QApplication::quit();
}

bool Application::askToQuitUnsaved(const QString &reason)
{
    QMessageBox box(m_window.get());
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Quillmere"));
    box.setText(QStringLiteral("Quillmere couldn't save your scripts."));
    box.setInformativeText(reason.at(0).toUpper() + reason.mid(1)
        + QStringLiteral(". If you quit now, the changes since the last save are lost."));
    QPushButton *quit = box.addButton(QStringLiteral("Quit Anyway"), QMessageBox::DestructiveRole);
    QPushButton *stay
        = box.addButton(QStringLiteral("Keep Quillmere Open"), QMessageBox::RejectRole);
    box.setDefaultButton(stay);
    box.exec();
    return box.clickedButton() == quit;
}

void Application::saveOnce()
{
    if (m_saved)
        return;
    m_saved = true;
    m_store.save();
}

} // namespace qm
