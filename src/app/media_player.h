// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <optional>

namespace qm {

class PrompterController;
class Store;

// The prompter as a media player on the session bus, where the desktop sends the keyboard's
// media keys and headset buttons, and where phone remotes and playerctl look for players.
// It is on the bus only while the prompter is shown and the setting is on, so a music player
// gets the keys back the moment the prompter hides.
class MediaPlayer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MediaPlayer)

public:
    MediaPlayer(Store &store, PrompterController &prompter, QObject *parent = nullptr);
    ~MediaPlayer() override;

    static constexpr const char *kObjectPath = "/org/mpris/MediaPlayer2";
    static QString baseServiceName();

    // The bus name held now; empty while not on the bus.
    QString serviceName() const { return m_service; }
    // What the player's Raise brings up: the main window.
    void setRaise(std::function<void()> raise) { m_raise = std::move(raise); }

    // What the two interfaces read and call.
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong position() const;
    double rate() const;
    bool canGoNext() const;
    bool canGoPrevious() const;
    void setRate(double rate);
    void raise();
    void play();
    void pause();
    void playPause();
    void next();
    void previous();
    void stop();
    void seek(qlonglong micros);
    void setPosition(const QDBusObjectPath &track, qlonglong micros);

Q_SIGNALS:
    void seeked(qlonglong position);

private:
    struct Published {
        QString status;
        bool canGoNext = false;
        bool canGoPrevious = false;
        double rate = 1;
        QString title;
        QString track;
        qlonglong length = 0;
    };

    void sync();
    bool acquire();
    void release();
    Published current() const;
    void publish();
    void frame();
    QString trackPath() const;
    qlonglong length() const;
    double speed() const;

    Store &m_store;
    PrompterController &m_prompter;
    // Connected on the first show, not at start-up; empty while never needed.
    std::optional<QDBusConnection> m_bus;
    QObject *m_object = nullptr; // carries the two adaptors on the bus
    QString m_service;
    std::function<void()> m_raise;
    std::optional<Published> m_published;
    double m_lastOffset = 0;
    double m_lastTime = 0;
    bool m_seekPending = false;
};

// org.mpris.MediaPlayer2: who the player is.
class MediaPlayerRootAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    MediaPlayerRootAdaptor(MediaPlayer &player, QObject *object);

    bool canQuit() const { return false; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Quillmere"); }
    QString desktopEntry() const { return QStringLiteral("org.quillmere.Quillmere"); }
    QStringList supportedUriSchemes() const { return {}; }
    QStringList supportedMimeTypes() const { return {}; }

public Q_SLOTS:
    void Raise() { m_player.raise(); }
    // CanQuit is false: a remote does not end the program.
    void Quit() { }

private:
    MediaPlayer &m_player;
};

// org.mpris.MediaPlayer2.Player: the transport.
class MediaPlayerAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canControl)
    Q_PROPERTY(bool CanPause READ canControl)
    Q_PROPERTY(bool CanSeek READ canControl)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    MediaPlayerAdaptor(MediaPlayer &player, QObject *object);

    QString playbackStatus() const { return m_player.playbackStatus(); }
    double rate() const { return m_player.rate(); }
    void setRate(double rate) { m_player.setRate(rate); }
    QVariantMap metadata() const { return m_player.metadata(); }
    // The prompter makes no sound; the volume is always full and cannot be set.
    double volume() const { return 1.0; }
    void setVolume(double) { }
    qlonglong position() const { return m_player.position(); }
    double minimumRate() const;
    double maximumRate() const;
    bool canGoNext() const { return m_player.canGoNext(); }
    bool canGoPrevious() const { return m_player.canGoPrevious(); }
    bool canControl() const { return true; }

public Q_SLOTS:
    void Next() { m_player.next(); }
    void Previous() { m_player.previous(); }
    void Pause() { m_player.pause(); }
    void PlayPause() { m_player.playPause(); }
    void Stop() { m_player.stop(); }
    void Play() { m_player.play(); }
    void Seek(qlonglong Offset) { m_player.seek(Offset); }
    void SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
    {
        m_player.setPosition(TrackId, Position);
    }
    // There is nothing to open: a script is chosen in the program.
    void OpenUri(const QString &) { }

Q_SIGNALS:
    void Seeked(qlonglong Position);

private:
    MediaPlayer &m_player;
};

} // namespace qm
