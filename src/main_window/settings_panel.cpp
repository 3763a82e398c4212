// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_panel.h"

#include "main_window/controls/group_card.h"
#include "main_window/controls/overlay_scroll_bar.h"
#include "main_window/controls/segmented_control.h"
#include "main_window/controls/slider_row.h"
#include "main_window/controls/swatch_row.h"
#include "main_window/controls/text_button.h"
#include "main_window/controls/toggle_row.h"
#include "model/settings.h"
#include "platform/capture_exclusion.h"
#include "prompter/follow_session.h"
#include "prompter/prompter_controller.h"
#include "prompter/voice_monitor.h"
#include "screen_picker.h"
#include "store/store.h"
#include "ui/display_screens.h"
#include "ui/fonts.h"
#include "ui/labels.h"
#include "ui/palette.h"
#include "ui/symbols.h"
#include "ui/texts.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace qm {

namespace {

QLabel *plainText(const QString &text, QWidget *parent)
{
    return makeLabel(text, fonts::system(11), palette::white(42), true, parent);
}

} // namespace

QStringList SettingsPanel::colors()
{
    return {QStringLiteral("FFFFFF"), QStringLiteral("FFE27A"), QStringLiteral("9BF5A5"),
        QStringLiteral("8BE0FF"), QStringLiteral("FFB3C7")};
}

SettingsPanel::SettingsPanel(Store &store, PrompterController &controller, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_controller(controller)
{
    setFixedWidth(kWidth);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, palette::panel());
    setPalette(pal);

    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);

    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("settingsContent"));
    auto *stack = new QVBoxLayout(content);
    m_stack = stack;
    stack->setContentsMargins(14, 46, 14, 20);
    stack->setSpacing(12);

    QWidget *prompter = buildPrompterCard(content);
    QWidget *text = buildTextCard(content);
    QWidget *scrolling = buildScrollingCard(content);
    QWidget *privacy = buildPrivacyCard(content);
    m_reset = new TextButton(QStringLiteral("Reset to defaults"), content);
    m_reset->setObjectName(QStringLiteral("reset"));

    stack->addWidget(prompter);
    stack->addWidget(text);
    stack->addWidget(scrolling);
    stack->addWidget(privacy);
    stack->addWidget(m_reset);
    stack->addStretch(1);
    m_scroll->setWidget(content);
    // setWidget turns the background on; the column's own shows through.
    content->setAutoFillBackground(false);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);

    // The column's own scroll bar floats over its right edge, so the content keeps its full
    // width whether or not it scrolls.
    auto *bar = new OverlayScrollBar(m_scroll, OverlayScrollBar::Look::Steady);
    bar->setObjectName(QStringLiteral("settingsScrollBar"));

    connectWrites();

    // Reads.
    connect(&m_store, &Store::settingsChanged, this, &SettingsPanel::refresh);
    connect(&m_controller.voice(), &VoiceMonitor::deniedChanged, this, &SettingsPanel::refresh);
    connect(&m_controller.follow(), &FollowSession::stateChanged, this, &SettingsPanel::refresh);
    refresh();
}

// The notch or floating panel's size, or the display's screen and options.
QWidget *SettingsPanel::buildPrompterCard(QWidget *content)
{
    auto *prompter = new GroupCard(QStringLiteral("Prompter"), symbols::laptop, content);
    m_mode = new SegmentedControl(
        {QStringLiteral("Notch"), QStringLiteral("Floating"), QStringLiteral("Display")});
    m_mode->setObjectName(QStringLiteral("mode"));
    m_notchWidth = new SliderRow(QStringLiteral("Width"), limits::notchWidth, QStringLiteral("pt"));
    m_notchWidth->setObjectName(QStringLiteral("notchWidth"));
    m_notchHeight
        = new SliderRow(QStringLiteral("Height"), limits::notchHeight, QStringLiteral("pt"));
    m_notchHeight->setObjectName(QStringLiteral("notchHeight"));
    m_floatingHint = plainText(
        QStringLiteral("Drag the prompter anywhere. Resize it from any edge."), nullptr);
    m_floatingHint->setObjectName(QStringLiteral("floatingHint"));
    prompter->addRow(m_mode);
    prompter->addRow(m_notchWidth);
    prompter->addRow(m_notchHeight);
    m_belowTopBar = new ToggleRow(QStringLiteral("Below the top bar"),
        QStringLiteral("Keeps the clock and status icons in view"));
    m_belowTopBar->setObjectName(QStringLiteral("belowTopBar"));
    prompter->addRow(m_belowTopBar);
    prompter->addRow(m_floatingHint);
    m_displayHint = plainText(QStringLiteral("Fills the screen chosen below, for a monitor under "
                                             "teleprompter glass. Mirror text flips it left to "
                                             "right."),
        nullptr);
    m_displayHint->setObjectName(QStringLiteral("displayHint"));
    m_screens = new ScreenPicker;
    m_screens->setObjectName(QStringLiteral("displayName"));
    m_screens->setAccessibleName(QStringLiteral("Screen"));
    m_flipVertical = new ToggleRow(
        QStringLiteral("Flip vertically"), QStringLiteral("For a monitor mounted upside down"));
    m_flipVertical->setObjectName(QStringLiteral("flipVertical"));
    m_eyeLineMarker = new ToggleRow(
        QStringLiteral("Eye-line marker"), QStringLiteral("Points at the line to read"));
    m_eyeLineMarker->setObjectName(QStringLiteral("eyeLineMarker"));
    prompter->addRow(m_displayHint);
    prompter->addRow(m_screens);
    prompter->addRow(m_flipVertical);
    prompter->addRow(m_eyeLineMarker);
    return prompter;
}

// Size, colour and mirroring of the text.
QWidget *SettingsPanel::buildTextCard(QWidget *content)
{
    auto *text = new GroupCard(QStringLiteral("Text"), symbols::textSize, content);
    m_fontSize = new SliderRow(QStringLiteral("Size"), limits::fontSize, QStringLiteral("pt"));
    m_fontSize->setObjectName(QStringLiteral("fontSize"));
    m_colors = new SwatchRow(colors());
    m_colors->setObjectName(QStringLiteral("colors"));
    m_mirror
        = new ToggleRow(QStringLiteral("Mirror text"), QStringLiteral("For teleprompter glass"));
    m_mirror->setObjectName(QStringLiteral("mirror"));
    text->addRow(m_fontSize);
    text->addRow(m_colors);
    text->addRow(m_mirror);
    return text;
}

// How the text moves and what moves it from outside.
QWidget *SettingsPanel::buildScrollingCard(QWidget *content)
{
    auto *scrolling = new GroupCard(QStringLiteral("Scrolling"), symbols::scrolling, content);
    m_scrollMode = new SegmentedControl(
        {QStringLiteral("Steady"), QStringLiteral("Voice"), QStringLiteral("Follow")});
    m_scrollMode->setObjectName(QStringLiteral("scrollMode"));
    m_modeDescription = plainText(QString(), nullptr);
    m_modeDescription->setObjectName(QStringLiteral("modeDescription"));
    m_speed = new SliderRow(QStringLiteral("Speed"), limits::speed, QString());
    m_speed->setObjectName(QStringLiteral("speed"));
    m_micSensitivity = new SliderRow(QStringLiteral("Mic sensitivity"),
        {limits::micSensitivity.minimum * 100, limits::micSensitivity.maximum * 100},
        QStringLiteral("%"));
    m_micSensitivity->setObjectName(QStringLiteral("micSensitivity"));
    m_denied = makeLabel(texts::micDenied(), fonts::system(11), palette::tallySoft(), true);
    m_denied->setObjectName(QStringLiteral("deniedMessage"));
    m_followProblem = makeLabel(QString(), fonts::system(11), palette::tallySoft(), true);
    m_followProblem->setObjectName(QStringLiteral("followProblem"));
    m_countdown = new ToggleRow(
        QStringLiteral("3-2-1 countdown"), QStringLiteral("A beat to get ready before it moves"));
    m_countdown->setObjectName(QStringLiteral("countdown"));
    m_pauseOnHover = new ToggleRow(
        QStringLiteral("Pause on hover"), QStringLiteral("Rest the pointer on the prompter"));
    m_pauseOnHover->setObjectName(QStringLiteral("pauseOnHover"));
    scrolling->addRow(m_scrollMode);
    scrolling->addRow(m_modeDescription);
    scrolling->addRow(m_speed);
    scrolling->addRow(m_micSensitivity);
    scrolling->addRow(m_denied);
    scrolling->addRow(m_followProblem);
    scrolling->addRow(m_countdown);
    scrolling->addRow(m_pauseOnHover);
    m_mediaRemote = new ToggleRow(QStringLiteral("Media keys and phone remote"),
        QStringLiteral("From media keys, a headset or a phone"));
    m_mediaRemote->setObjectName(QStringLiteral("mediaRemote"));
    m_presenterClicker = new ToggleRow(
        QStringLiteral("Presenter clicker"), QStringLiteral("Page Up and Down, from any app"));
    m_presenterClicker->setObjectName(QStringLiteral("presenterClicker"));
    scrolling->addRow(m_mediaRemote);
    scrolling->addRow(m_presenterClicker);
    return scrolling;
}

// Hiding the prompter from captures, or why this desktop cannot.
QWidget *SettingsPanel::buildPrivacyCard(QWidget *content)
{
    auto *privacy = new GroupCard(QStringLiteral("Privacy"), symbols::eyeSlash, content);
    m_hideFromSharing = new ToggleRow(QStringLiteral("Hide from screen sharing"),
        QStringLiteral("Kept out of shared screens and recordings"));
    m_hideFromSharing->setObjectName(QStringLiteral("hideFromSharing"));
    privacy->addRow(m_hideFromSharing);
    // Where the desktop cannot keep the prompter out of captures, the column says so rather
    // than let the switch promise what it cannot do.
    const platform::CaptureExclusionSupport support = platform::captureExclusionSupport();
    if (!support.enforced && !support.reason.isEmpty()) {
        m_captureReason = makeLabel(support.reason, fonts::system(11), palette::tallySoft(), true);
        m_captureReason->setObjectName(QStringLiteral("captureReason"));
        privacy->addRow(m_captureReason);
    }
    return privacy;
}

// Writes: one field each, through the store.
void SettingsPanel::connectWrites()
{
    connect(m_mode, &SegmentedControl::activated, this, [this](int i) {
        const PrompterMode mode = i == 2 ? PrompterMode::Display
            : i == 1                     ? PrompterMode::Floating
                                         : PrompterMode::Notch;
        // Choosing display mode settles which screen it fills, so a later show does not pick
        // another one when that screen is off.
        QString name = m_store.settings().displayName;
        if (mode == PrompterMode::Display && name.isEmpty()) {
            if (const QScreen *chosen = displayScreen(name, window()->screen()))
                name = displayScreenName(chosen);
        }
        edit([mode, &name](Settings &s) {
            s.mode = mode;
            s.displayName = name;
        });
    });
    connect(m_screens, &ScreenPicker::picked, this,
        [this](const QString &name) { edit([&name](Settings &s) { s.displayName = name; }); });
    connect(m_flipVertical, &ToggleRow::toggled, this,
        [this](bool on) { edit([on](Settings &s) { s.flipVertical = on; }); });
    connect(m_eyeLineMarker, &ToggleRow::toggled, this,
        [this](bool on) { edit([on](Settings &s) { s.eyeLineMarker = on; }); });
    // The picker lists the screens connected now.
    connect(qApp, &QGuiApplication::screenAdded, this, &SettingsPanel::refreshScreens);
    connect(qApp, &QGuiApplication::screenRemoved, this, &SettingsPanel::refreshScreens,
        Qt::QueuedConnection);
    connect(m_notchWidth, &SliderRow::edited, this,
        [this](double v) { edit([v](Settings &s) { s.notchWidth = v; }); });
    connect(m_notchHeight, &SliderRow::edited, this,
        [this](double v) { edit([v](Settings &s) { s.notchHeight = v; }); });
    connect(m_fontSize, &SliderRow::edited, this,
        [this](double v) { edit([v](Settings &s) { s.fontSize = v; }); });
    connect(m_colors, &SwatchRow::picked, this,
        [this](const QString &hex) { edit([hex](Settings &s) { s.colorHex = hex; }); });
    connect(m_belowTopBar, &ToggleRow::toggled, this,
        [this](bool on) { edit([on](Settings &s) { s.belowTopBar = on; }); });
    connect(m_mirror, &ToggleRow::toggled, this,
        [this](bool on) { edit([on](Settings &s) { s.mirror = on; }); });
    connect(m_scrollMode, &SegmentedControl::activated, this, [this](int i) {
        edit([i](Settings &s) {
            s.scrollMode = i == 1 ? ScrollMode::Voice
                : i == 2          ? ScrollMode::Follow
                                  : ScrollMode::Auto;
        });
    });
    connect(m_speed, &SliderRow::edited, this,
        [this](double v) { edit([v](Settings &s) { s.speed = v; }); });
    // The slider shows a percentage; the setting is the fraction.
    connect(m_micSensitivity, &SliderRow::edited, this,
        [this](double v) { edit([v](Settings &s) { s.micSensitivity = v / 100.0; }); });
    connect(m_countdown, &ToggleRow::toggled, this,
        [this](bool on) { edit([on](Settings &s) { s.countdown = on; }); });
    connect(m_pauseOnHover, &ToggleRow::toggled, this,
        [this](bool on) { edit([on](Settings &s) { s.pauseOnHover = on; }); });
    connect(m_mediaRemote, &ToggleRow::toggled, this,
        [this](bool on) { edit([on](Settings &s) { s.mediaRemote = on; }); });
    connect(m_presenterClicker, &ToggleRow::toggled, this,
        [this](bool on) { edit([on](Settings &s) { s.presenterClicker = on; }); });
    connect(m_hideFromSharing, &ToggleRow::toggled, this,
        [this](bool on) { edit([on](Settings &s) { s.hideFromSharing = on; }); });
    connect(m_reset, &QAbstractButton::clicked, this, &SettingsPanel::resetToDefaults);
}

SettingsPanel::~SettingsPanel() = default;

void SettingsPanel::edit(const std::function<void(Settings &)> &change)
{
    Settings settings = m_store.settings();
    change(settings);
    m_store.setSettings(settings);
}

void SettingsPanel::addGroup(QWidget *group)
{
    m_stack->insertWidget(m_stack->indexOf(m_reset), group);
}

void SettingsPanel::resetToDefaults()
{
    // The floating panel's place is where the user put it, not a preference to reset; the
    // remote's secret is what paired devices hold, not a preference either.
    Settings defaults = Store::defaultSettings();
    defaults.floatingFrame = m_store.settings().floatingFrame;
    defaults.remoteToken = m_store.settings().remoteToken;
    m_store.setSettings(defaults);
}

void SettingsPanel::refresh()
{
    const Settings &s = m_store.settings();
    const bool notch = s.mode == PrompterMode::Notch;
    const bool voice = s.scrollMode == ScrollMode::Voice;

    const bool display = s.mode == PrompterMode::Display;
    m_mode->setCurrentIndex(notch ? 0 : display ? 2 : 1);
    m_notchWidth->setValue(s.notchWidth);
    m_notchHeight->setValue(s.notchHeight);
    m_notchWidth->setVisible(notch);
    m_notchHeight->setVisible(notch);
    m_floatingHint->setVisible(s.mode == PrompterMode::Floating);
    m_belowTopBar->setChecked(s.belowTopBar);
    m_belowTopBar->setVisible(notch);
    m_displayHint->setVisible(display);
    m_screens->setVisible(display);
    m_flipVertical->setVisible(display);
    m_eyeLineMarker->setVisible(display);
    m_flipVertical->setChecked(s.flipVertical);
    m_eyeLineMarker->setChecked(s.eyeLineMarker);
    refreshScreens();

    m_fontSize->setValue(s.fontSize);
    m_colors->setSelected(s.colorHex);
    m_mirror->setChecked(s.mirror);

    const bool follow = s.scrollMode == ScrollMode::Follow;
    m_scrollMode->setCurrentIndex(voice ? 1 : follow ? 2 : 0);
    m_modeDescription->setText(voice ? texts::voiceDescription()
            : follow                 ? texts::followDescription()
                                     : QStringLiteral("Scrolls at a steady pace."));
    const FollowSession::Problem problem = m_controller.follow().problem();
    m_followProblem->setText(problem == FollowSession::Problem::ModelMissing
            ? texts::followModelMissing()
            : problem == FollowSession::Problem::NothingToHear ? texts::followNothingToHear()
                                                               : texts::followCannotStart());
    m_followProblem->setVisible(follow && problem != FollowSession::Problem::None);
    m_speed->setValue(s.speed);
    m_micSensitivity->setValue(s.micSensitivity * 100.0);
    m_micSensitivity->setVisible(voice);
    m_denied->setVisible(voice && m_controller.voice().denied());
    m_countdown->setChecked(s.countdown);
    m_pauseOnHover->setChecked(s.pauseOnHover);
    m_mediaRemote->setChecked(s.mediaRemote);
    m_presenterClicker->setChecked(s.presenterClicker);
    m_hideFromSharing->setChecked(s.hideFromSharing);
}

void SettingsPanel::refreshScreens()
{
    const QString name = m_store.settings().displayName;
    QList<ScreenPicker::Entry> entries;
    for (const QScreen *screen : QGuiApplication::screens())
        entries.append({displayScreenName(screen), displayScreenLabel(screen)});
    // The screen the output goes to: the one named (under whichever name it was stored), or
    // the one picked when none is.
    QString current = name;
    if (const QScreen *chosen
        = displayScreen(name, name.isEmpty() ? window()->screen() : nullptr)) {
        current = displayScreenName(chosen);
    } else if (!name.isEmpty()) {
        entries.append({name, name + QStringLiteral("  not connected")});
    }
    m_screens->setScreens(entries, current);
    for (const ScreenPicker::Entry &entry : std::as_const(entries)) {
        if (entry.name == current)
            m_screens->setAccessibleDescription(entry.label);
    }
}

} // namespace qm
