// SPDX-License-Identifier: GPL-3.0-or-later
#include "store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

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

// Moves a file that could not be read out of the way, keeping its bytes exactly. Returns false
// when the original could be neither moved nor copied, in which case it must not be replaced.
bool preserve(const QString &path, const UnreadableFile &aside)
{
    if (!QFileInfo::exists(path))
        return true;
    const QString stamp
        = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = path + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(n);
    if (QFile::rename(path, target))
        return true;
    if (!aside.haveBytes)
        return false;
    QSaveFile copy(target);
    if (!copy.open(QIODevice::WriteOnly))
        return false;
    copy.setPermissions(kFileMode);
    copy.write(aside.bytes);
    return copy.commit();
}

// Qt's description of a file error, as the tail of a sentence.
QString reasonText(QString text)
{
    if (text.isEmpty())
        return QStringLiteral("the file could not be written");
    if (text.size() > 1 && text.at(0).isUpper() && !text.at(1).isUpper())
        text[0] = text.at(0).toLower();
    while (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

QString writeAtomically(const QString &path, const QByteArray &bytes)
{
    // QSaveFile writes beside the target and renames over it only once everything is on disk,
    // so a failure at any step leaves the previous file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return reasonText(file.errorString());
    file.setPermissions(kFileMode);
    if (file.write(bytes) != bytes.size()) {
        const QString reason = reasonText(file.errorString());
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return reasonText(file.errorString());
    return {};
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
    m_writer = writeAtomically;

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
        m_scriptsAside = keepAside(scripts);
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
        m_settingsAside = keepAside(settings);
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

void Store::deleteScript(const QUuid &id)
{
    QList<Script> list = m_scripts;
    list.removeIf([&id](const Script &s) { return s.id == id; });
    setScripts(std::move(list));
    if (m_scripts.isEmpty())
        setScripts({Script(QStringLiteral("Untitled script"), QString())});
    if (m_selectedID && *m_selectedID == id)
        setSelectedID(m_scripts.first().id);
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
    m_writer = writer ? std::move(writer) : FileWriter(writeAtomically);
}

QString Store::writeFile(const QString &path, const QByteArray &bytes, UnreadableFile *aside)
{
    if (aside && !preserve(path, *aside))
        return QStringLiteral("the unreadable %1 could not be set aside")
            .arg(QFileInfo(path).fileName());
    return m_writer(path, bytes);
}

SaveResult Store::save()
{
    m_pending->stop();
    m_retry->stop();
    SaveResult result;

    // The scripts go first and are written even when the settings cannot be.
    const QString scripts
        = writeFile(scriptsPath(), encodeScripts(m_scripts), m_scriptsAside.get());
    if (scripts.isEmpty())
        m_scriptsAside.reset();
    else
        result.failure = scripts;

    QString settings;
    if (m_settingsForThisRun) {
        // Left as it was when the run took the settings over.
    } else if (const auto object = m_settings.encode()) {
        const QByteArray bytes = QJsonDocument(*object).toJson(QJsonDocument::Compact);
        settings = writeFile(settingsPath(), bytes, m_settingsAside.get());
        if (settings.isEmpty())
            m_settingsAside.reset();
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
