// SPDX-License-Identifier: GPL-3.0-or-later
#include "media_player.h"

#include "model/settings.h"
#include "platform/monotonic_clock.h"
#include "prompter/media_remote.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "store/store.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QFileInfo>

namespace qm {

namespace {

constexpr const char *kPlayerInterface = "org.mpris.MediaPlayer2.Player";

double defaultSpeed()
{
    return Settings {}.speed;
}

} // namespace

MediaPlayerRootAdaptor::MediaPlayerRootAdaptor(MediaPlayer &player, QObject *object)
    : QDBusAbstractAdaptor(object)
    , m_player(player)
{
}

MediaPlayerAdaptor::MediaPlayerAdaptor(MediaPlayer &player, QObject *object)
    : QDBusAbstractAdaptor(object)
    , m_player(player)
{
    connect(&player, &MediaPlayer::seeked, this, &MediaPlayerAdaptor::Seeked);
}

double MediaPlayerAdaptor::minimumRate() const
{
    return media::rateForSpeed(limits::speed.minimum, defaultSpeed());
}

double MediaPlayerAdaptor::maximumRate() const
{
    return media::rateForSpeed(limits::speed.maximum, defaultSpeed());
}

MediaPlayer::MediaPlayer(Store &store, PrompterController &prompter, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_prompter(prompter)
    , m_object(new QObject(this))
{
    new MediaPlayerRootAdaptor(*this, m_object);
    new MediaPlayerAdaptor(*this, m_object);

    connect(&m_prompter, &PrompterController::isVisibleChanged, this, &MediaPlayer::sync);
    connect(&m_prompter, &PrompterController::isPlayingChanged, this, &MediaPlayer::publish);
    connect(&m_prompter, &PrompterController::frame, this, &MediaPlayer::frame);
    connect(&m_store, &Store::settingsChanged, this, [this] {
        sync();
        publish();
    });
    connect(&m_store, &Store::scriptsChanged, this, &MediaPlayer::publish);
    connect(&m_store, &Store::selectedIDChanged, this, &MediaPlayer::publish);
    sync();
}

MediaPlayer::~MediaPlayer()
{
    release();
}

QString MediaPlayer::baseServiceName()
{
    return QStringLiteral("org.mpris.MediaPlayer2.quillmere");
}

// MARK: On and off the bus

void MediaPlayer::sync()
{
    const bool want = m_prompter.isVisible() && m_store.settings().mediaRemote;
    if (want && m_service.isEmpty())
        acquire();
    else if (!want && !m_service.isEmpty())
        release();
}

bool MediaPlayer::acquire()
{
    if (!m_bus) {
        // Without a session bus address, libdbus would start a bus of its own for this process,
        // which no desktop or phone listens on; do without.
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        const bool reachable = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS")
            || (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus")));
        m_bus = reachable ? QDBusConnection::sessionBus()
                          : QDBusConnection(QStringLiteral("quillmere-no-bus"));
    }
    if (!m_bus->isConnected())
        return false;
    const QString path = QLatin1String(kObjectPath);
    if (!m_bus->registerObject(path, m_object, QDBusConnection::ExportAdaptors))
        return false;
    // A second instance (another data folder) takes a name of its own, as players do.
    const QString base = baseServiceName();
    const QString own
        = base + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
    for (const QString &name : {base, own}) {
        if (m_bus->registerService(name)) {
            m_service = name;
            break;
        }
    }
    if (m_service.isEmpty()) {
        m_bus->unregisterObject(path);
        return false;
    }
    m_published = current();
    m_lastOffset = m_prompter.scroll().offset();
    m_lastTime = monotonicSeconds();
    m_seekPending = false;
    return true;
}

void MediaPlayer::release()
{
    if (m_service.isEmpty())
        return;
    // Anyone still listening hears it stop before the name goes.
    publish();
    m_bus->unregisterService(m_service);
    m_bus->unregisterObject(QLatin1String(kObjectPath));
    m_service.clear();
    m_published.reset();
}

// MARK: What remotes read

double MediaPlayer::speed() const
{
    return m_store.settings().speed;
}

QString MediaPlayer::playbackStatus() const
{
    return media::statusName(media::playbackStatus(m_prompter.isVisible(), m_prompter.isPlaying()));
}

QString MediaPlayer::trackPath() const
{
    const Script *script = m_store.selectedScript();
    return media::trackIdPath(script ? script->id.toString(QUuid::WithoutBraces) : QString());
}

// Positions are reading time at the default speed, so they advance at Rate as remotes
// extrapolate them, and a speed change moves neither the position nor the length.
qlonglong MediaPlayer::length() const
{
    return media::positionMicros(m_prompter.maxOffset(), defaultSpeed());
}

QVariantMap MediaPlayer::metadata() const
{
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackPath())));
    map.insert(QStringLiteral("mpris:length"), length());
    if (const Script *script = m_store.selectedScript())
        map.insert(QStringLiteral("xesam:title"), script->title);
    return map;
}

qlonglong MediaPlayer::position() const
{
    return media::positionMicros(m_prompter.scroll().offset(), defaultSpeed());
}

double MediaPlayer::rate() const
{
    return media::rateForSpeed(speed(), defaultSpeed());
}

bool MediaPlayer::canGoNext() const
{
    return m_prompter.hasCueAhead();
}

bool MediaPlayer::canGoPrevious() const
{
    // With no cue above, Previous goes back to the beginning.
    return m_prompter.hasCueBehind()
        || m_prompter.target().value_or(m_prompter.scroll().offset()) > 0;
}

// MARK: What remotes ask

void MediaPlayer::setRate(double rate)
{
    // A rate of nought means pause to a player.
    if (rate == 0) {
        pause();
        return;
    }
    if (const std::optional<double> wanted = media::speedForRate(rate, defaultSpeed()))
        m_prompter.nudgeSpeed(*wanted - speed());
}

void MediaPlayer::raise()
{
    if (m_raise)
        m_raise();
}

void MediaPlayer::play()
{
    if (!m_prompter.isPlaying())
        m_prompter.playPause();
}

void MediaPlayer::pause()
{
    if (m_prompter.isPlaying())
        m_prompter.playPause();
}

void MediaPlayer::playPause()
{
    m_prompter.playPause();
}

void MediaPlayer::next()
{
    m_prompter.nextCue();
}

void MediaPlayer::previous()
{
    m_prompter.previousCue();
}

void MediaPlayer::stop()
{
    m_prompter.hide();
}

void MediaPlayer::seek(qlonglong micros)
{
    m_prompter.scrollBy(media::scrollForSeek(micros, defaultSpeed()));
}

void MediaPlayer::setPosition(const QDBusObjectPath &track, qlonglong micros)
{
    // A position for another track, or past either end, is ignored, as players do.
    if (track.path() != trackPath() || micros < 0 || micros > length())
        return;
    m_prompter.scrollBy(
        media::offsetAtMicros(micros, defaultSpeed()) - m_prompter.scroll().offset());
}

// MARK: Telling remotes

MediaPlayer::Published MediaPlayer::current() const
{
    Published p;
    p.status = playbackStatus();
    p.canGoNext = canGoNext();
    p.canGoPrevious = canGoPrevious();
    p.rate = rate();
    const Script *script = m_store.selectedScript();
    p.title = script ? script->title : QString();
    p.track = trackPath();
    p.length = length();
    return p;
}

void MediaPlayer::publish()
{
    if (m_service.isEmpty() || !m_published)
        return;
    const Published now = current();
    const Published &was = *m_published;
    QVariantMap changed;
    if (now.status != was.status)
        changed.insert(QStringLiteral("PlaybackStatus"), now.status);
    if (now.canGoNext != was.canGoNext)
        changed.insert(QStringLiteral("CanGoNext"), now.canGoNext);
    if (now.canGoPrevious != was.canGoPrevious)
        changed.insert(QStringLiteral("CanGoPrevious"), now.canGoPrevious);
    if (now.rate != was.rate)
        changed.insert(QStringLiteral("Rate"), now.rate);
    if (now.title != was.title || now.track != was.track || now.length != was.length)
        changed.insert(QStringLiteral("Metadata"), metadata());
    const bool rateChanged = now.rate != was.rate;
    m_published = now;
    if (changed.isEmpty())
        return;
    QDBusMessage message = QDBusMessage::createSignal(QLatin1String(kObjectPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    message << QLatin1String(kPlayerInterface) << changed << QStringList();
    m_bus->send(message);
    // Remotes extrapolate from the last position they were told at the old rate; a fresh
    // Seeked gives them the point the new rate counts from.
    if (rateChanged)
        Q_EMIT seeked(position());
}

void MediaPlayer::frame()
{
    if (m_service.isEmpty())
        return;
    publish();
    // Remotes work the position out from the rate while playing; they are told of any other
    // move once it has come to rest: a hand scroll, a seek, the end of a glide.
    const double offset = m_prompter.scroll().offset();
    const double now = monotonicSeconds();
    if (m_prompter.target()) {
        m_seekPending = m_seekPending || offset != m_lastOffset;
    } else if (media::isSeek(
                   m_lastOffset, offset, m_prompter.isPlaying(), speed(), now - m_lastTime)) {
        m_seekPending = true;
    } else if (m_seekPending) {
        m_seekPending = false;
        Q_EMIT seeked(position());
    }
    m_lastOffset = offset;
    m_lastTime = now;
}

} // namespace qm
