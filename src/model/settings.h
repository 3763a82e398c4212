// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace qm {

enum class PrompterMode { Notch, Floating, Display };
enum class ScrollMode { Auto, Voice };

QString rawValue(PrompterMode mode);
QString rawValue(ScrollMode mode);
std::optional<PrompterMode> prompterModeFromRaw(const QString &raw);
std::optional<ScrollMode> scrollModeFromRaw(const QString &raw);

// Every user preference. No field is clamped here: the controls that write them keep them in
// range, and an edited settings.json is taken as it is.
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

    // Nothing when a number is not finite: JSON cannot hold it.
    std::optional<QJsonObject> encode() const;
    // Tolerant key by key; fails only when the value is not an object.
    static std::optional<Settings> decode(const QJsonValue &value);

    friend bool operator==(const Settings &, const Settings &) = default;
};

} // namespace qm
