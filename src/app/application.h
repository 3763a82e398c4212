// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/gnome_shortcuts.h"
#include "remote_commands.h"
#include "store/store.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace qm {

struct CommandLine;
class HotKeys;
class MainWindow;
class MediaPlayer;
class MenuContent;
class PanelHost;
class PresenterClicker;
class Remote;
class PrompterController;
class SessionEnd;
class SingleInstance;
class Store;
class VoiceMonitor;

// Wires the long-lived objects together in start-up order (the store, the prompter controller,
// the hot keys) and owns the ways out, every one of which ends in a single save.
class Application final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Application)

public:
    // Builds the prompter controller on `store` and registers it as the shared one. `hotKeys`
    // null means HotKeys::shared().
    Application(Store &store, std::unique_ptr<SingleInstance> instance, HotKeys *hotKeys = nullptr,
        QObject *parent = nullptr);
    ~Application() override;

    // Opens the main window and the tray item, registers the hot keys and schedules the
    // command-line actions.
    void start(const CommandLine &line);
    // Acts on the arguments a later launch handed over (CommandLine::forHandOver): its
    // commands, or else it brings the main window back.
    void handleRemote(const QStringList &arguments);
    // The answer a later launch prints, for the switches that ask something.
    QString answerRemote(const QStringList &arguments) const;

    void perform(Command command);
    // Quit Quillmere from the menu or Ctrl+Q. When the last save failed and saving again fails
    // too, asks once whether to quit anyway.
    void requestQuit();
    // What requestQuit asks: given the reason, true to quit anyway. A message box by default.
    void setQuitQuestion(std::function<bool(const QString &reason)> question);

    // Shows, raises and activates the one main window.
    void presentMainWindow();
    // The tray icon's click: brings the main window to the front, or closes it when it is
    // already there.
    void toggleMainWindow();
    // True when, with no tray icon, neither the main window nor the prompter is on screen, so
    // that nothing of the program is left for the user to see.
    bool wouldBeInvisible() const;

    MainWindow *mainWindow() const;
    PrompterController &prompter() const { return *m_prompter; }
    MenuContent *menuContent() const { return m_menu.get(); }
    HotKeys &hotKeys() const { return m_hotKeys; }
    // GNOME's keyboard settings, for the sheet's offer to set the shortcuts up there; found by
    // start() on a GNOME desktop unless given before.
    void setGnomeShortcuts(std::unique_ptr<platform::GnomeShortcuts> gnome);

    static constexpr int kStartDelayMs = 800;
    static constexpr int kSnapshotDelayMs = 6000;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void quitIfInvisible();
    void addGnomeShortcuts();
    void removeGnomeShortcuts();
    void gnomeShortcutsAdded(
        const platform::GnomeShortcuts::Result &result, const QStringList &installed);
    // Runs `work` with GNOME's settings on a worker thread (the gsettings tool runs once per
    // key, some thirty times for the seven shortcuts), then `done` here; one at a time.
    void changeGnomeShortcuts(
        std::function<void(platform::GnomeShortcuts &)> work, std::function<void()> done);
    void saveOnce();
    bool askToQuitUnsaved(const QString &reason);
    void showRefusedShortcuts();
    void showClickerShortcut();

    Store &m_store;
    std::unique_ptr<SingleInstance> m_instance;
    HotKeys &m_hotKeys;
    std::unique_ptr<VoiceMonitor> m_voice;
    std::unique_ptr<PrompterController> m_prompter;
    std::unique_ptr<PanelHost> m_panelHost;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<MenuContent> m_menu;
    SessionEnd *m_sessionEnd = nullptr;
    // Shared with the worker that writes GNOME's settings, which may outlive a quit.
    std::shared_ptr<platform::GnomeShortcuts> m_gnome;
    bool m_gnomeBusy = false;
    // Our entries in GNOME's custom shortcuts, by name; what the last change there did.
    QStringList m_gnomeInstalled;
    QString m_gnomeStatus;
    bool m_saved = false;
    // The save failure last written to the log, so a retry every few seconds adds no lines.
    QString m_loggedSaveFailure;
    // Remotes: both hold on to the controller, so they go first.
    std::unique_ptr<MediaPlayer> m_mediaPlayer;
    std::unique_ptr<PresenterClicker> m_clicker;
    std::unique_ptr<Remote> m_remote;
    bool m_asking = false;
    std::function<bool(const QString &)> m_quitQuestion;
};

// What this desktop can do, as the store needs to know before it is built.
Store::DesktopTraits desktopTraits();

} // namespace qm
