// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/script.h"
#include "model/settings.h"
#include "save_timer.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace qm {

class UnreadableFile;

// A data file found at start-up that could not be used (damaged, or written by a newer
// version). It is left as it is until the first save, which first moves it to `keptAs`, so
// its bytes are never lost to the user's new work.
struct UnusableFile {
    // The file's own path: .../scripts.json or .../settings.json.
    QString path;
    // Where its bytes are kept once moved.
    QString keptAs;
    bool moved = false;
};

// What undoing a deletion needs: the script, where it stood and whether it was selected.
struct DeletedScript {
    Script script;
    qsizetype index = 0;
    bool wasSelected = false;
    // The empty script made because the list would have been empty; null otherwise.
    QUuid placeholder;
};

// What a save did: nothing to say when both files were written, otherwise why not, in words
// that fit after "couldn't save your scripts: ".
struct SaveResult {
    QString failure;

    bool ok() const { return failure.isEmpty(); }
    explicit operator bool() const { return ok(); }
};

// Owns the user's scripts, the selection and the settings for the whole run, loads them from
// the data folder and writes them back 0.4 s after a change. A burst of changes shares one save;
// every change is on disk within 0.4 s, even while typing never pauses.
class Store final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Store)

public:
    // `dir` is the data folder; it is created (mode 0700) when missing. The delayed saves run
    // on `timers` (tests pass a clock of their own), by default on the event loop.
    explicit Store(const QString &dir, QObject *parent = nullptr);
    Store(const QString &dir, const SaveTimerFactory &timers, QObject *parent = nullptr);
    ~Store() override;

    // The program's store on the user's data folder, built on first use and never destroyed.
    static Store &shared();
    // $XDG_DATA_HOME/Quillmere (~/.local/share/Quillmere by default).
    static QString defaultDirectory();

    const QList<Script> &scripts() const { return m_scripts; }
    // Every assignment schedules a save. The list must not be empty.
    void setScripts(QList<Script> scripts);
    // Edits one script in place (by id); unknown ids are ignored.
    void setScriptTitle(const QUuid &id, const QString &title);
    void setScriptText(const QUuid &id, const QString &text);

    std::optional<QUuid> selectedID() const { return m_selectedID; }
    // Never saved: the selection lives only in memory.
    void setSelectedID(std::optional<QUuid> id);
    std::optional<qsizetype> selectedIndex() const;
    const Script *selectedScript() const;

    const Settings &settings() const { return m_settings; }
    // What the store needs to know about the desktop it runs on; the application tells it
    // before the first store is built. Until then: a desktop that cannot hide windows.
    struct DesktopTraits {
        // Whether a window can be kept out of screen sharing and recordings here.
        bool hidesFromCaptures = false;
        // The welcome script's last line where it cannot.
        QString welcomePrivateLine;
    };
    static void setDesktopTraits(DesktopTraits desktop);
    static const DesktopTraits &desktopTraits();
    // A fresh installation's settings on this desktop: the record's defaults, with the switches
    // that depend on what the desktop can do set to match it.
    static Settings defaultSettings();
    void setSettings(const Settings &settings);
    // Applies `settings` for this run only: from now on the settings file is left as it is,
    // whatever changes later (the scripts are still saved). For measurements, which must never
    // change the user's files.
    void setSettingsForThisRun(const Settings &settings);

    void addScript();
    // Removes the script with that id; nothing when no script has it.
    std::optional<DeletedScript> deleteScript(const QUuid &id);
    // Puts a deleted script back where it stood, selected again if it was, and takes away the
    // placeholder its deletion made if that is still untouched. Returns false, changing
    // nothing, when a script with its id is in the list already.
    bool restoreScript(const DeletedScript &deleted);

    // The data files that could not be used at start-up.
    const std::optional<UnusableFile> &unusableScripts() const { return m_unusableScripts; }
    const std::optional<UnusableFile> &unusableSettings() const { return m_unusableSettings; }

    // Writes both files now. A failure keeps everything in memory and tries again on the next
    // change or after kRetryDelayMs, whichever comes first.
    SaveResult save();
    // Why the last save failed; nothing once a save succeeds.
    std::optional<QString> saveFailure() const { return m_failure; }

    // Replaces the last step of every write: putting `bytes` in place at `path` in one step.
    // Returns why it could not, or an empty text. For tests that need a disk that refuses.
    using FileWriter = std::function<QString(const QString &path, const QByteArray &bytes)>;
    void setFileWriter(FileWriter writer);

    QString directory() const { return m_dir; }
    QString scriptsPath() const;
    QString settingsPath() const;
    bool savePending() const { return m_pending->isActive(); }

    static constexpr int kSaveDelayMs = 400;
    static constexpr int kRetryDelayMs = 5000;

Q_SIGNALS:
    // Emitted at every assignment, after the new value is in place (equal values included).
    void scriptsChanged();
    void selectedIDChanged();
    void settingsChanged();
    // Emitted after each save that wrote both files.
    void saved();
    // Emitted after each save that could not write a file; the data is still in memory.
    void saveFailed(const QString &reason);
    // Emitted when an unusable file has been moved to where `keptAs` says.
    void unusableFilesChanged();

private:
    void scheduleSave();
    void load();
    QString writeFile(const QString &path, const QByteArray &bytes,
        std::unique_ptr<UnreadableFile> &aside, std::optional<UnusableFile> &unusable);

    QList<Script> m_scripts;
    std::optional<QUuid> m_selectedID;
    Settings m_settings;
    std::unique_ptr<SaveTimer> m_pending;
    std::unique_ptr<SaveTimer> m_retry;
    std::optional<QString> m_failure;
    FileWriter m_writer;
    QString m_dir;
    // A file found but not understood at load keeps its bytes until the first save moves it
    // aside, so a damaged or newer-format file never silently replaces the user's work.
    std::unique_ptr<UnreadableFile> m_scriptsAside;
    std::unique_ptr<UnreadableFile> m_settingsAside;
    std::optional<UnusableFile> m_unusableScripts;
    std::optional<UnusableFile> m_unusableSettings;
    bool m_settingsForThisRun = false;
};

// The welcome script of a first run.
Script welcomeScript();

} // namespace qm
