// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/script.h"
#include "model/settings.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

namespace qm {

class UnreadableFile;

// Owns the user's scripts, the selection and the settings for the whole run, loads them from
// the data folder and writes them back 0.4 s after a change. A burst of changes shares one save;
// every change is on disk within 0.4 s, even while typing never pauses.
class Store final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Store)

public:
    // `dir` is the data folder; it is created (mode 0700) when missing.
    explicit Store(const QString &dir, QObject *parent = nullptr);
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
    void setSettings(const Settings &settings);

    void addScript();
    void deleteScript(const QUuid &id);

    // Writes both files now. Returns false when a file could not be written.
    bool save();

    QString directory() const { return m_dir; }
    QString scriptsPath() const;
    QString settingsPath() const;
    bool savePending() const { return m_pending.isActive(); }

    static constexpr int kSaveDelayMs = 400;

Q_SIGNALS:
    // Emitted at every assignment, after the new value is in place (equal values included).
    void scriptsChanged();
    void selectedIDChanged();
    void settingsChanged();
    // Emitted after each save that was attempted.
    void saved();

private:
    void scheduleSave();
    void load();
    bool writeFile(const QString &path, const QByteArray &bytes, UnreadableFile *aside);

    QList<Script> m_scripts;
    std::optional<QUuid> m_selectedID;
    Settings m_settings;
    QTimer m_pending;
    QString m_dir;
    // A file found but not understood at load keeps its bytes until the first save moves it
    // aside, so a damaged or newer-format file never silently replaces the user's work.
    std::unique_ptr<UnreadableFile> m_scriptsAside;
    std::unique_ptr<UnreadableFile> m_settingsAside;
};

// The welcome script of a first run.
Script welcomeScript();

} // namespace qm
