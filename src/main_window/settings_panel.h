// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace qm {

class Store;
class PrompterController;
struct Settings;
class SegmentedControl;
class SliderRow;
class SwatchRow;
class ToggleRow;
class ScreenPicker;
class TextButton;

// The settings column: every control shows one field of the store's settings and writes it
// back at once. Rows come and go with the settings (Width and Height with the mode, Mic
// sensitivity with voice scrolling, the microphone message while no microphone opens).
class SettingsPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsPanel)

public:
    SettingsPanel(Store &store, PrompterController &controller, QWidget *parent = nullptr);
    ~SettingsPanel() override;

    static constexpr int kWidth = 272;
    // The swatches, in the order shown.
    static QStringList colors();

    // Puts a group of the program's (one this column cannot know) after the others, above
    // "Reset to defaults".
    void addGroup(QWidget *group);

private:
    QWidget *buildPrompterCard(QWidget *content);
    QWidget *buildTextCard(QWidget *content);
    QWidget *buildScrollingCard(QWidget *content);
    QWidget *buildPrivacyCard(QWidget *content);
    void connectWrites();
    void refresh();
    void refreshScreens();
    // Copies the settings, lets `change` edit the copy, and assigns it back in one go.
    void edit(const std::function<void(Settings &)> &change);
    void resetToDefaults();

    Store &m_store;
    PrompterController &m_controller;

    QScrollArea *m_scroll = nullptr;

    SegmentedControl *m_mode = nullptr;
    SliderRow *m_notchWidth = nullptr;
    SliderRow *m_notchHeight = nullptr;
    ToggleRow *m_belowTopBar = nullptr;
    QLabel *m_floatingHint = nullptr;
    QLabel *m_displayHint = nullptr;
    ScreenPicker *m_screens = nullptr;
    ToggleRow *m_flipVertical = nullptr;
    ToggleRow *m_eyeLineMarker = nullptr;
    SliderRow *m_fontSize = nullptr;
    SwatchRow *m_colors = nullptr;
    ToggleRow *m_mirror = nullptr;
    SegmentedControl *m_scrollMode = nullptr;
    QLabel *m_modeDescription = nullptr;
    SliderRow *m_speed = nullptr;
    SliderRow *m_micSensitivity = nullptr;
    QLabel *m_denied = nullptr;
    ToggleRow *m_countdown = nullptr;
    ToggleRow *m_pauseOnHover = nullptr;
    ToggleRow *m_mediaRemote = nullptr;
    ToggleRow *m_presenterClicker = nullptr;
    ToggleRow *m_hideFromSharing = nullptr;
    QLabel *m_captureReason = nullptr;
    QLabel *m_followProblem = nullptr;
    TextButton *m_reset = nullptr;
    QVBoxLayout *m_stack = nullptr;
};

} // namespace qm
