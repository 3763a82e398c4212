// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace qm {

// The range a number may take: what the control that sets it allows, and what the reader
// holds a number from a file to.
struct Limit {
    double minimum;
    double maximum;

    // Into the range; NaN stays NaN for the caller to refuse.
    constexpr double clamp(double v) const
    {
        return v < minimum ? minimum : v > maximum ? maximum : v;
    }
    constexpr bool contains(double v) const { return v >= minimum && v <= maximum; }
};

namespace limits {
inline constexpr Limit speed {8, 200};
inline constexpr Limit fontSize {12, 64};
inline constexpr Limit notchWidth {240, 900};
inline constexpr Limit notchHeight {70, 500};
// A fraction; the settings panel shows it as a percentage.
inline constexpr Limit micSensitivity {0, 1};
// The floating panel: the smallest size a resize leaves it, and nothing beyond what a window
// can be (Qt's QWIDGETSIZE_MAX) either way.
inline constexpr double kLargestWindow = 16777215;
inline constexpr Limit floatingPosition {-kLargestWindow, kLargestWindow};
inline constexpr Limit floatingWidth {260, kLargestWindow};
inline constexpr Limit floatingHeight {120, kLargestWindow};
} // namespace limits

enum class PrompterMode { Notch, Floating, Display };
enum class ScrollMode { Auto, Voice, Follow };

QString rawValue(PrompterMode mode);
QString rawValue(ScrollMode mode);
std::optional<PrompterMode> prompterModeFromRaw(const QString &raw);
std::optional<ScrollMode> scrollModeFromRaw(const QString &raw);

// Every user preference. The controls that write a number keep it within its limit, and the
// reader holds a number from the file to the same limit (kNumberLimits below).
struct Settings {
    PrompterMode mode = PrompterMode::Notch;
    ScrollMode scrollMode = ScrollMode::Auto;
    double speed = 36;
    double fontSize = 19;
    QString colorHex = QStringLiteral("FFFFFF");
    double notchWidth = 380;
    double notchHeight = 150;
    bool hideFromSharing = true;
    bool pauseOnHover = true;
    bool mirror = false;
    double micSensitivity = 0.5;
    // [x, y, width, height] with the origin at the bottom-left of the primary screen, y up.
    std::optional<QList<double>> floatingFrame;
    bool countdown = true;
    // Display mode: the screen the prompter fills, by name; empty picks the first screen other
    // than the main window's, else the primary one.
    QString displayName;
    // Display mode: upside down as well, for a monitor mounted above the glass.
    bool flipVertical = false;
    // Display mode: a small triangle at the left edge marking the reading line.
    bool eyeLineMarker = true;
    // Media keys, headset buttons, phone remotes and playerctl reach the prompter.
    bool mediaRemote = true;
    // Page Up and Page Down with no modifier go to the prompter while it is shown.
    bool presenterClicker = false;
    // Notch mode: hang the panel below the desktop's top bar instead of over it.
    bool belowTopBar = false;
    // The network remote: the phone page, the HTTP and WebSocket API on remotePort and OSC on
    // oscPort. Off, nothing listens.
    bool remoteEnabled = false;
    int remotePort = 47800;
    // The pairing secret every client presents: 32 hex digits, made the first time the remote
    // is switched on; empty until then.
    QString remoteToken;
    int oscPort = 47801;
    // Addresses besides 127.0.0.1 whose OSC packets are taken.
    QStringList oscAllow;
    // The pairing link of the program this one follows; empty when it leads itself.
    QString followLeader;

    // Nothing when a number is not finite: JSON cannot hold it.
    std::optional<QJsonObject> encode() const;
    // Tolerant key by key, each missing or unusable key taken from `defaults`; fails only when
    // the value is not an object.
    static std::optional<Settings> decode(const QJsonValue &value, const Settings &defaults);
    static std::optional<Settings> decode(const QJsonValue &value) { return decode(value, {}); }

    friend bool operator==(const Settings &, const Settings &) = default;
};

// Whether `text` has the form of a pairing secret: 32 lower-case hex digits (128 bits).
bool isRemoteToken(const QString &text);

// Every plain number of the record, its key and its limit: the reader clamps each through this
// table. A new numeric setting adds its row here.
struct NumberSetting {
    const char *key;
    double Settings::*field;
    Limit limit;
};
inline constexpr std::array kNumberSettings {
    NumberSetting {"speed", &Settings::speed, limits::speed},
    NumberSetting {"fontSize", &Settings::fontSize, limits::fontSize},
    NumberSetting {"notchWidth", &Settings::notchWidth, limits::notchWidth},
    NumberSetting {"notchHeight", &Settings::notchHeight, limits::notchHeight},
    NumberSetting {"micSensitivity", &Settings::micSensitivity, limits::micSensitivity},
};

} // namespace qm
