// SPDX-License-Identifier: GPL-3.0-or-later
#include "store.h"

#include "durable_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>

#include <algorithm>

namespace qm {

// What is left of a data file that was present at load but could not be used.
class UnreadableFile {
public:
    QByteArray bytes;
    bool haveBytes = false;
};

namespace {

constexpr QFileDevice::Permissions kFileMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kDirMode
    = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

struct ReadResult {
    bool exists = false;
    bool readable = false;
    QByteArray bytes;
};

ReadResult readWhole(const QString &path)
{
    ReadResult r;
    QFileInfo info(path);
    r.exists = info.exists();
    if (!r.exists)
        return r;
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        r.bytes = f.readAll();
        r.readable = f.error() == QFileDevice::NoError;
    }
    return r;
}

std::unique_ptr<UnreadableFile> keepAside(const ReadResult &r)
{
    auto aside = std::make_unique<UnreadableFile>();
    aside->bytes = r.bytes;
    aside->haveBytes = r.readable;
    return aside;
}

// The name an unusable file is kept under: its own with the time it was found.
QString asideName(const QString &path)
{
    return path + QStringLiteral(".unreadable-")
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

// Moves a file that could not be read out of the way to `planned` (or a free name beside it),
// keeping its bytes exactly. Returns where they are now: nothing when the original could be
// neither moved nor copied, in which case it must not be replaced; an empty text when there
// was no file any more.
std::optional<QString> preserve(
    const QString &path, const UnreadableFile &aside, const QString &planned)
{
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return QString();
    QString target = planned;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = planned + u'-' + QString::number(n);
    if (QFile::rename(path, target))
        return target;
    if (!aside.haveBytes)
        return std::nullopt;
    if (!writeFileDurably(target, aside.bytes).isEmpty())
        return std::nullopt;
    return target;
}

// Remembers an unusable file's bytes and the name they will be kept under. The file is left
// as it is until the first save moves it aside.
void setAside(const QString &path, const ReadResult &read, std::unique_ptr<UnreadableFile> &aside,
    std::optional<UnusableFile> &unusable)
{
    aside = keepAside(read);
    unusable = UnusableFile {path, asideName(path), false};
}

QString writeDurably(const QString &path, const QByteArray &bytes)
{
    return writeFileDurably(path, bytes);
}

} // namespace

Script welcomeScript()
{
    const QString text = QStringLiteral(
        "# Hello\n"
        "This is Quillmere. Your script sits right under the camera, so you can read every word "
        "and still look people in the eye.\n"
        "\n"
        "Press Start, then hover the prompter to pause it. Scroll with two fingers to move back "
        "or ahead.\n"
        "\n"
        "# Cues\n"
        "Start any line with a # to make a cue. Jump between cues with Ctrl Alt and Page Up or "
        "Page Down, so a surprise question never loses your place.\n"
        "\n"
        "# Voice\n"
        "Switch scrolling to Voice and the text moves while you talk and waits while you pause.\n"
        "\n"
        "# Private\n");
    // The promise of hiding is made only where the desktop keeps it.
    const Store::DesktopTraits &desktop = Store::desktopTraits();
    QString privateLine;
    if (desktop.hidesFromCaptures)
        privateLine = QStringLiteral("The prompter is hidden from screen sharing by default. They "
                                     "see your slides. You see your notes.");
    else if (!desktop.welcomePrivateLine.isEmpty())
        privateLine = desktop.welcomePrivateLine;
    else
        privateLine = QStringLiteral("They see your slides. You see your notes.");
    return Script(QStringLiteral("Welcome to Quillmere"), text + privateLine);
}

Store::Store(const QString &dir, QObject *parent)
    : Store(dir, eventLoopSaveTimers(), parent)
{
}

Store::Store(const QString &dir, const SaveTimerFactory &timers, QObject *parent)
    : QObject(parent)
    , m_pending(timers([this] { save(); }))
    , m_retry(timers([this] { save(); }))
    , m_dir(dir)
{
    m_writer = writeDurably;

    if (!QFileInfo::exists(m_dir)) {
        if (QDir().mkpath(m_dir))
            QFile::setPermissions(m_dir, kDirMode);
    }
    load();
}

Store::~Store() = default;

Store &Store::shared()
{
    static Store *instance = new Store(defaultDirectory());
    return *instance;
}

QString Store::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Quillmere");
}

namespace {
Store::DesktopTraits &traits()
{
    static Store::DesktopTraits t;
    return t;
}
} // namespace

void Store::setDesktopTraits(DesktopTraits desktop)
{
    traits() = std::move(desktop);
}

const Store::DesktopTraits &Store::desktopTraits()
{
    return traits();
}

Settings Store::defaultSettings()
{
    Settings s;
    // Hiding from screen sharing starts on only where the desktop can do it.
    s.hideFromSharing = desktopTraits().hidesFromCaptures;
    return s;
}

QString Store::scriptsPath() const
{
    return m_dir + QStringLiteral("/scripts.json");
}
QString Store::settingsPath() const
{
    return m_dir + QStringLiteral("/settings.json");
}

void Store::load()
{
    const ReadResult scripts = readWhole(scriptsPath());
    std::optional<QList<Script>> decoded;
    if (scripts.readable)
        decoded = decodeScripts(scripts.bytes);
    if (scripts.exists && !decoded)
        setAside(scriptsPath(), scripts, m_scriptsAside, m_unusableScripts);
    if (decoded && !decoded->isEmpty())
        m_scripts = std::move(*decoded);
    else
        m_scripts = {welcomeScript()};

    const ReadResult settings = readWhole(settingsPath());
    std::optional<Settings> read;
    if (settings.readable) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(settings.bytes, &error);
        if (error.error == QJsonParseError::NoError && doc.isObject())
            read = Settings::decode(doc.object(), defaultSettings());
    }
    if (settings.exists && !read)
        setAside(settingsPath(), settings, m_settingsAside, m_unusableSettings);
    m_settings = read.value_or(defaultSettings());

    m_selectedID = m_scripts.first().id;
}

void Store::setScripts(QList<Script> scripts)
{
    m_scripts = std::move(scripts);
    Q_EMIT scriptsChanged();
    scheduleSave();
}

void Store::setScriptTitle(const QUuid &id, const QString &title)
{
    for (Script &s : m_scripts) {
        if (s.id == id) {
            s.title = title;
            Q_EMIT scriptsChanged();
            scheduleSave();
            return;
        }
    }
}

void Store::setScriptText(const QUuid &id, const QString &text)
{
    for (Script &s : m_scripts) {
        if (s.id == id) {
            s.text = text;
            Q_EMIT scriptsChanged();
            scheduleSave();
            return;
        }
    }
}

void Store::setSelectedID(std::optional<QUuid> id)
{
    m_selectedID = id;
    Q_EMIT selectedIDChanged();
}

std::optional<qsizetype> Store::selectedIndex() const
{
    if (!m_selectedID)
        return std::nullopt;
    for (qsizetype i = 0; i < m_scripts.size(); ++i) {
        if (m_scripts.at(i).id == *m_selectedID)
            return i;
    }
    return std::nullopt;
}

const Script *Store::selectedScript() const
{
    const auto index = selectedIndex();
    return index ? &m_scripts.at(*index) : nullptr;
}

void Store::setSettings(const Settings &settings)
{
    m_settings = settings;
    Q_EMIT settingsChanged();
    scheduleSave();
}

void Store::setSettingsForThisRun(const Settings &settings)
{
    // A change of the user's own still on its way to the disk gets there first.
    if (m_pending->isActive())
        save();
    m_settingsForThisRun = true;
    m_settings = settings;
    Q_EMIT settingsChanged();
}

void Store::addScript()
{
    Script script(QStringLiteral("Untitled script"), QString());
    const QUuid id = script.id;
    QList<Script> list = m_scripts;
    list.prepend(std::move(script));
    setScripts(std::move(list));
    setSelectedID(id);
}

std::optional<DeletedScript> Store::deleteScript(const QUuid &id)
{
    const auto at = std::find_if(
        m_scripts.cbegin(), m_scripts.cend(), [&id](const Script &s) { return s.id == id; });
    if (at == m_scripts.cend())
        return std::nullopt;
    DeletedScript deleted {*at, at - m_scripts.cbegin(), m_selectedID && *m_selectedID == id, {}};
    QList<Script> list = m_scripts;
    list.removeAt(deleted.index);
    setScripts(std::move(list));
    if (m_scripts.isEmpty()) {
        Script placeholder(QStringLiteral("Untitled script"), QString());
        deleted.placeholder = placeholder.id;
        setScripts({std::move(placeholder)});
    }
    if (deleted.wasSelected)
        setSelectedID(m_scripts.first().id);
    return deleted;
}

bool Store::restoreScript(const DeletedScript &deleted)
{
    QList<Script> list = m_scripts;
    for (const Script &s : list) {
        if (s.id == deleted.script.id)
            return false;
    }
    // The placeholder goes only as it was made: a title or a word given to it makes it the
    // user's own.
    const bool placeholderTaken
        = !deleted.placeholder.isNull() && list.removeIf([&deleted](const Script &s) {
              return s.id == deleted.placeholder && s.text.isEmpty()
                  && s.title == QStringLiteral("Untitled script");
          }) > 0;
    list.insert(std::clamp<qsizetype>(deleted.index, 0, list.size()), deleted.script);
    const bool selectionGone
        = placeholderTaken && m_selectedID && *m_selectedID == deleted.placeholder;
    setScripts(std::move(list));
    if (deleted.wasSelected || selectionGone)
        setSelectedID(deleted.script.id);
    return true;
}

void Store::scheduleSave()
{
    // The save already scheduled writes the values current when it runs, so it covers this
    // change too. It is not pushed back by later changes: typing without pauses would then
    // never reach the disk, and a crash would lose all of it.
    if (!m_pending->isActive())
        m_pending->start(kSaveDelayMs);
}

void Store::setFileWriter(FileWriter writer)
{
    m_writer = writer ? std::move(writer) : FileWriter(writeDurably);
}

QString Store::writeFile(const QString &path, const QByteArray &bytes,
    std::unique_ptr<UnreadableFile> &aside, std::optional<UnusableFile> &unusable)
{
    if (aside) {
        const auto kept = preserve(path, *aside, unusable ? unusable->keptAs : asideName(path));
        if (!kept)
            return QStringLiteral("the unreadable %1 could not be set aside")
                .arg(QFileInfo(path).fileName());
        aside.reset();
        if (unusable && !kept->isEmpty()) {
            unusable->keptAs = *kept;
            unusable->moved = true;
            Q_EMIT unusableFilesChanged();
        }
    }
    return m_writer(path, bytes);
}

SaveResult Store::save()
{
    m_pending->stop();
    m_retry->stop();
    SaveResult result;

    // The scripts go first and are written even when the settings cannot be.
    const QString scripts
        = writeFile(scriptsPath(), encodeScripts(m_scripts), m_scriptsAside, m_unusableScripts);
    if (!scripts.isEmpty())
        result.failure = scripts;

    QString settings;
    if (m_settingsForThisRun) {
        // Left as it was when the run took the settings over.
    } else if (const auto object = m_settings.encode()) {
        const QByteArray bytes = QJsonDocument(*object).toJson(QJsonDocument::Compact);
        settings = writeFile(settingsPath(), bytes, m_settingsAside, m_unusableSettings);
    } else {
        settings = QStringLiteral("a setting is not a number");
    }
    if (result.failure.isEmpty())
        result.failure = settings;

    if (result.ok()) {
        m_failure.reset();
        Q_EMIT saved();
    } else {
        m_failure = result.failure;
        m_retry->start(kRetryDelayMs);
        Q_EMIT saveFailed(result.failure);
    }
    return result;
}

} // namespace qm
