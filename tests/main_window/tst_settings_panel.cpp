// SPDX-License-Identifier: GPL-3.0-or-later
#include "controller_fixture.h"
#include "main_window/controls/segmented_control.h"
#include "main_window/controls/slider_row.h"
#include "main_window/controls/swatch_row.h"
#include "main_window/controls/toggle_row.h"
#include "main_window/controls/toggle_switch.h"
#include "main_window/controls/value_slider.h"
#include "main_window/screen_picker.h"
#include "main_window/settings_panel.h"
#include "platform/capture_exclusion.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/texts.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <limits>

using namespace qm;
using qm::testing::ControllerFixture;

namespace {

enum class Control {
    Floating,
    Voice,
    Mirror,
    Countdown,
    PauseOnHover,
    HideFromSharing,
    Swatch,
    FontSize,
    Speed,
    NotchWidth,
    NotchHeight,
    MicSensitivity,
    Display,
    FlipVertical,
    EyeLineMarker,
    Screen,
    MediaRemote,
    PresenterClicker,
};

struct Panel {
    explicit Panel(
        platform::MicrophonePermission permission = platform::MicrophonePermission::Granted)
        : f(permission)
        , panel(f.store, f.controller)
    {
        panel.resize(SettingsPanel::kWidth, 740);
    }

    void show()
    {
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
    }

    template <typename T> T *get(const char *name)
    {
        return panel.findChild<T *>(QString::fromLatin1(name));
    }
    SliderRow *slider(const char *name) { return get<SliderRow>(name); }
    bool shown(const char *name)
    {
        QWidget *w = get<QWidget>(name);
        return w && w->isVisibleTo(&panel);
    }
    void change(const std::function<void(Settings &)> &edit)
    {
        Settings s = f.store.settings();
        edit(s);
        f.store.setSettings(s);
    }

    ControllerFixture f;
    SettingsPanel panel;
};

} // namespace

using Edit = std::function<void(Settings &)>;
Q_DECLARE_METATYPE(Control)
Q_DECLARE_METATYPE(Edit)

class TstSettingsPanel final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }

    void valueText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 380.0 << "pt"
                               << "380 pt";
        QTest::newRow("truncated, not rounded") << 36.9 << ""
                                                << "36";
        QTest::newRow("just under a whole number") << 36.999 << ""
                                                   << "36";
        QTest::newRow("fraction read as percent") << 0.29 * 100 << "%"
                                                  << "29 %";
        QTest::newRow("another fraction") << 0.57 * 100 << "%"
                                          << "57 %";
        QTest::newRow("negative toward zero") << -2.7 << ""
                                              << "-2";
        QTest::newRow("no negative zero") << -0.5 << "pt"
                                          << "0 pt";
        QTest::newRow("beyond int range") << 1e12 << ""
                                          << "1000000000000";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "%"
                                      << "\u2014 %";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << ""
                                  << "\u2014";
    }

    void valueText()
    {
        QFETCH(double, value);
        QFETCH(QString, unit);
        QFETCH(QString, text);
        QCOMPARE(sliderValueText(value, unit), text);
    }

    void slidersShowStoredValues_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("text");
        QTest::newRow("default width") << "notchWidth" << Edit([](Settings &) {}) << "380 pt";
        QTest::newRow("default height") << "notchHeight" << Edit([](Settings &) {}) << "150 pt";
        QTest::newRow("default size") << "fontSize" << Edit([](Settings &) {}) << "19 pt";
        QTest::newRow("default speed") << "speed" << Edit([](Settings &) {}) << "36";
        QTest::newRow("speed 36.9") << "speed" << Edit([](Settings &s) { s.speed = 36.9; }) << "36";
        QTest::newRow("default mic")
            << "micSensitivity" << Edit([](Settings &s) { s.scrollMode = ScrollMode::Voice; })
            << "50 %";
        QTest::newRow("mic 0.29") << "micSensitivity" << Edit([](Settings &s) {
            s.scrollMode = ScrollMode::Voice;
            s.micSensitivity = 0.29;
        }) << "29 %";
        QTest::newRow("width above range")
            << "notchWidth" << Edit([](Settings &s) { s.notchWidth = 1500; }) << "1500 pt";
        QTest::newRow("size below range")
            << "fontSize" << Edit([](Settings &s) { s.fontSize = 4.5; }) << "4 pt";
        QTest::newRow("speed above range")
            << "speed" << Edit([](Settings &s) { s.speed = 999; }) << "999";
        QTest::newRow("mic above range") << "micSensitivity" << Edit([](Settings &s) {
            s.scrollMode = ScrollMode::Voice;
            s.micSensitivity = 1.5;
        }) << "150 %";
    }

    void slidersShowStoredValues()
    {
        QFETCH(QString, row);
        QFETCH(Edit, edit);
        QFETCH(QString, text);
        Panel p;
        p.change(edit);
        SliderRow *slider = p.slider(row.toUtf8().constData());
        QVERIFY(slider);
        QCOMPARE(slider->valueText(), text);
    }

    void everyControlWritesItsOneField_data()
    {
        QTest::addColumn<Control>("control");
        QTest::addColumn<Edit>("expected");
        QTest::newRow("Floating") << Control::Floating
                                  << Edit([](Settings &s) { s.mode = PrompterMode::Floating; });
        QTest::newRow("Voice") << Control::Voice
                               << Edit([](Settings &s) { s.scrollMode = ScrollMode::Voice; });
        QTest::newRow("Mirror") << Control::Mirror << Edit([](Settings &s) { s.mirror = true; });
        QTest::newRow("countdown")
            << Control::Countdown << Edit([](Settings &s) { s.countdown = true; });
        QTest::newRow("hover") << Control::PauseOnHover
                               << Edit([](Settings &s) { s.pauseOnHover = false; });
        QTest::newRow("sharing") << Control::HideFromSharing << Edit([](Settings &s) {
            s.hideFromSharing = !s.hideFromSharing;
        });
        QTest::newRow("media keys")
            << Control::MediaRemote << Edit([](Settings &s) { s.mediaRemote = false; });
        QTest::newRow("clicker") << Control::PresenterClicker
                                 << Edit([](Settings &s) { s.presenterClicker = true; });
        QTest::newRow("swatch") << Control::Swatch
                                << Edit([](Settings &s) { s.colorHex = QStringLiteral("9BF5A5"); });
        QTest::newRow("size") << Control::FontSize << Edit([](Settings &s) { s.fontSize = 64; });
        QTest::newRow("speed") << Control::Speed << Edit([](Settings &s) { s.speed = 8; });
        QTest::newRow("width") << Control::NotchWidth
                               << Edit([](Settings &s) { s.notchWidth = 900; });
        QTest::newRow("height") << Control::NotchHeight
                                << Edit([](Settings &s) { s.notchHeight = 70; });
        QTest::newRow("mic 73 %") << Control::MicSensitivity
                                  << Edit([](Settings &s) { s.micSensitivity = 0.73; });
        // Choosing the mode settles which screen it fills.
        QTest::newRow("Display") << Control::Display << Edit([](Settings &s) {
            s.mode = PrompterMode::Display;
            s.displayName = QGuiApplication::primaryScreen()->name();
        });
        QTest::newRow("flip") << Control::FlipVertical
                              << Edit([](Settings &s) { s.flipVertical = true; });
        QTest::newRow("eye line") << Control::EyeLineMarker
                                  << Edit([](Settings &s) { s.eyeLineMarker = false; });
        QTest::newRow("screen") << Control::Screen << Edit([](Settings &s) {
            s.displayName = QGuiApplication::primaryScreen()->name();
        });
    }

    // Driven by the mouse where the control is clicked, so the hit areas are tested too.
    void everyControlWritesItsOneField()
    {
        QFETCH(Control, control);
        QFETCH(Edit, expected);
        Panel p;
        // The voice-only slider needs voice scrolling; the fixture starts with countdown off.
        if (control == Control::MicSensitivity)
            p.change([](Settings &s) { s.scrollMode = ScrollMode::Voice; });
        // The display rows need display mode, on a screen not (yet) named.
        if (control == Control::FlipVertical || control == Control::EyeLineMarker
            || control == Control::Screen)
            p.change([](Settings &s) {
                s.mode = PrompterMode::Display;
                s.displayName = QStringLiteral("gone");
            });
        p.show();
        Settings want = p.f.store.settings();
        expected(want);

        auto clickSegment = [](SegmentedControl *c, int i) {
            QTest::mouseClick(c, Qt::LeftButton, {}, c->segmentRect(i).center().toPoint());
        };
        auto clickSwitch = [&p](const char *name) {
            QTest::mouseClick(p.get<ToggleRow>(name)->toggle(), Qt::LeftButton);
        };
        auto dragTo = [&p](const char *name, bool right) {
            ValueSlider *s = p.slider(name)->slider();
            const int x = right ? s->width() - 2 : 1;
            QTest::mousePress(s, Qt::LeftButton, {}, QPoint(s->width() / 2, 8));
            QMouseEvent move(QEvent::MouseMove, QPointF(x, 8), s->mapToGlobal(QPointF(x, 8)),
                Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(s, &move);
            QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(x, 8));
        };
        switch (control) {
        case Control::Floating:
            clickSegment(p.get<SegmentedControl>("mode"), 1);
            break;
        case Control::Voice:
            clickSegment(p.get<SegmentedControl>("scrollMode"), 1);
            break;
        case Control::Mirror:
            clickSwitch("mirror");
            break;
        case Control::Countdown:
            clickSwitch("countdown");
            break;
        case Control::PauseOnHover:
            clickSwitch("pauseOnHover");
            break;
        case Control::HideFromSharing:
            clickSwitch("hideFromSharing");
            break;
        case Control::MediaRemote:
            clickSwitch("mediaRemote");
            break;
        case Control::PresenterClicker:
            clickSwitch("presenterClicker");
            break;
        case Control::Swatch: {
            // The click lands on whatever is drawn over the third swatch.
            auto *row = p.get<SwatchRow>("colors");
            const QPoint at = row->mapTo(&p.panel, row->swatchRect(2).center().toPoint());
            QWidget *target = p.panel.childAt(at);
            QVERIFY(target);
            QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&p.panel, at));
            break;
        }
        case Control::FontSize:
            dragTo("fontSize", true);
            break;
        case Control::Speed:
            dragTo("speed", false);
            break;
        case Control::NotchWidth:
            dragTo("notchWidth", true);
            break;
        case Control::NotchHeight:
            dragTo("notchHeight", false);
            break;
        case Control::MicSensitivity:
            // What a drag to 73 % writes.
            p.slider("micSensitivity")->slider()->edit(73);
            break;
        case Control::Display:
            clickSegment(p.get<SegmentedControl>("mode"), 2);
            break;
        case Control::FlipVertical:
            clickSwitch("flipVertical");
            break;
        case Control::EyeLineMarker:
            clickSwitch("eyeLineMarker");
            break;
        case Control::Screen: {
            // The connected screen first, then the named one that is not connected.
            auto *picker = p.get<ScreenPicker>("displayName");
            QCOMPARE(picker->entries().size(), QGuiApplication::screens().size() + 1);
            QCOMPARE(picker->entries().last().label, QStringLiteral("gone  not connected"));
            QTest::mouseClick(picker, Qt::LeftButton, {}, picker->rowRect(0).center().toPoint());
            break;
        }
        }
        QCOMPARE(p.f.store.settings(), want);
    }

    void sliderPositionMapsOntoTheRange()
    {
        Panel p;
        p.show();
        ValueSlider *s = p.slider("speed")->slider();
        const double travel = s->width() - ValueSlider::kKnob;
        QCOMPARE(s->valueAt(ValueSlider::kKnob / 2), 8.0);
        QCOMPARE(s->valueAt(ValueSlider::kKnob / 2 + travel / 2), 104.0);
        QCOMPARE(s->valueAt(ValueSlider::kKnob / 2 + travel), 200.0);
        QCOMPARE(s->valueAt(-50), 8.0);
        QCOMPARE(s->valueAt(s->width() + 50), 200.0);
        QTest::mouseClick(s, Qt::LeftButton, {},
            QPoint(qRound(ValueSlider::kKnob / 2 + travel / 4), s->height() / 2));
        QVERIFY(std::abs(p.f.store.settings().speed - 56) < 192.0 / travel);
    }

    void swatchRingIsAnExactMatch_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<int>("ringed");
        QTest::newRow("default white") << "FFFFFF" << 0;
        QTest::newRow("yellow") << "FFE27A" << 1;
        QTest::newRow("lower-case yellow") << "ffe27a" << -1;
        QTest::newRow("with a hash") << "#FFE27A" << -1;
        QTest::newRow("pink") << "FFB3C7" << 4;
        QTest::newRow("not a swatch") << "123456" << -1;
        QTest::newRow("empty") << "" << -1;
    }

    void swatchRingIsAnExactMatch()
    {
        QFETCH(QString, hex);
        QFETCH(int, ringed);
        Panel p;
        p.change([&hex](Settings &s) { s.colorHex = hex; });
        auto *row = p.get<SwatchRow>("colors");
        QCOMPARE(row->colors(), QStringList({"FFFFFF", "FFE27A", "9BF5A5", "8BE0FF", "FFB3C7"}));
        QCOMPARE(row->ringedIndex(), ringed);

        // And on screen: a tally ring 1.5 to 3.5 outside the ringed circle, none elsewhere.
        p.show();
        const QImage image = p.panel.grab().toImage();
        const qreal dpr = image.devicePixelRatio();
        for (int i = 0; i < 5; ++i) {
            const QRectF swatch = row->swatchRect(i);
            const QPointF centre = QPointF(row->mapTo(&p.panel, QPoint(0, 0))) + swatch.center();
            // The pixel row 12 to 11 above the centre lies inside the ring's stroke.
            const QPoint ringPixel = ((centre + QPointF(0, -12)) * dpr).toPoint();
            const QColor c = image.pixelColor(ringPixel);
            const bool tally = c.red() > 200 && c.green() < 140 && c.blue() < 110;
            QVERIFY2(tally == (i == ringed),
                qPrintable(QStringLiteral("swatch %1: %2").arg(i).arg(c.name())));
            // The circle itself is its colour.
            const QColor fill = image.pixelColor((centre * dpr).toPoint());
            QCOMPARE(fill.name(QColor::HexRgb).mid(1).toUpper(), row->colors().at(i));
        }
    }

    void rowsFollowTheModes()
    {
        Panel p;
        QVERIFY(p.shown("notchWidth") && p.shown("notchHeight"));
        QVERIFY(!p.shown("floatingHint"));
        QVERIFY(!p.shown("micSensitivity"));
        QCOMPARE(
            p.get<QLabel>("modeDescription")->text(), QStringLiteral("Scrolls at a steady pace."));
        QCOMPARE(p.get<SegmentedControl>("mode")->items(),
            QStringList({"Notch", "Floating", "Display"}));
        QVERIFY(!p.shown("displayName") && !p.shown("flipVertical") && !p.shown("displayHint"));
        QCOMPARE(p.get<SegmentedControl>("scrollMode")->items(),
            QStringList({"Steady", "Voice", "Follow"}));

        p.change([](Settings &s) {
            s.notchWidth = 512;
            s.mode = PrompterMode::Floating;
        });
        QVERIFY(!p.shown("notchWidth") && !p.shown("notchHeight"));
        QVERIFY(p.shown("floatingHint"));
        QCOMPARE(p.get<QLabel>("floatingHint")->text(),
            QStringLiteral("Drag the prompter anywhere. Resize it from any edge."));
        QCOMPARE(p.get<SegmentedControl>("mode")->currentIndex(), 1);

        p.change([](Settings &s) { s.mode = PrompterMode::Display; });
        QVERIFY(!p.shown("notchWidth") && !p.shown("floatingHint"));
        QVERIFY(p.shown("displayHint") && p.shown("displayName") && p.shown("flipVertical")
            && p.shown("eyeLineMarker"));
        QCOMPARE(p.get<SegmentedControl>("mode")->currentIndex(), 2);
        // No name: the screen it would fill is the one shown as chosen.
        QCOMPARE(p.get<ScreenPicker>("displayName")->current(),
            QGuiApplication::primaryScreen()->name());

        p.change([](Settings &s) { s.mode = PrompterMode::Notch; });
        QVERIFY(p.shown("notchWidth") && !p.shown("floatingHint") && !p.shown("displayName"));
        QCOMPARE(p.slider("notchWidth")->valueText(), QStringLiteral("512 pt"));

        p.change([](Settings &s) { s.scrollMode = ScrollMode::Voice; });
        QVERIFY(p.shown("micSensitivity"));
        QCOMPARE(p.slider("micSensitivity")->valueText(), QStringLiteral("50 %"));
        QCOMPARE(p.get<QLabel>("modeDescription")->text(),
            QStringLiteral(
                "Moves while you talk, waits while you pause. Only loudness is measured; "
                "audio never leaves your computer."));
        QCOMPARE(p.get<SegmentedControl>("scrollMode")->currentIndex(), 1);

        p.change([](Settings &s) { s.scrollMode = ScrollMode::Auto; });
        QVERIFY(!p.shown("micSensitivity"));

        // Follow says what it does; without the speech model it says how to get it.
        qputenv("QUILLMERE_SPEECH_MODEL", "/nonexistent");
        p.change([](Settings &s) { s.scrollMode = ScrollMode::Follow; });
        QCOMPARE(p.get<SegmentedControl>("scrollMode")->currentIndex(), 2);
        QVERIFY(p.get<QLabel>("modeDescription")->text().contains(QLatin1String("English only")));
        QVERIFY(p.shown("followProblem"));
        QVERIFY(p.get<QLabel>("followProblem")
                    ->text()
                    .contains(QLatin1String("install pocketsphinx-en-us")));
        p.change([](Settings &s) { s.scrollMode = ScrollMode::Auto; });
        QVERIFY(!p.shown("followProblem"));
        qunsetenv("QUILLMERE_SPEECH_MODEL");
    }

    void deniedMessageOnlyInVoiceModeWhileDenied_data()
    {
        QTest::addColumn<bool>("voice");
        QTest::addColumn<bool>("denied");
        QTest::newRow("steady, granted") << false << false;
        QTest::newRow("steady, denied") << false << true;
        QTest::newRow("voice, granted") << true << false;
        QTest::newRow("voice, denied") << true << true;
    }

    void deniedMessageOnlyInVoiceModeWhileDenied()
    {
        QFETCH(bool, voice);
        QFETCH(bool, denied);
        Panel p(denied ? platform::MicrophonePermission::Denied
                       : platform::MicrophonePermission::Granted);
        p.change(
            [voice](Settings &s) { s.scrollMode = voice ? ScrollMode::Voice : ScrollMode::Auto; });
        QVERIFY(!p.shown("deniedMessage"));
        // The flag is set when the microphone is asked for, with no change of the settings.
        p.f.voice.start();
        QCOMPARE(p.f.voice.denied(), denied);
        QCOMPARE(p.shown("deniedMessage"), voice && denied);
        QCOMPARE(p.get<QLabel>("deniedMessage")->text(),
            QStringLiteral("No microphone could be opened. Check that one is connected and not "
                           "muted in your sound settings."));
        // Going back to steady scrolling hides it.
        p.change([](Settings &s) { s.scrollMode = ScrollMode::Auto; });
        QVERIFY(!p.shown("deniedMessage"));
    }

    // Tab walks every control of the column in reading order, and each kind answers its keys.
    void keyboardReachesAndWorksEveryControl()
    {
        Panel p;
        p.change([](Settings &s) {
            s.scrollMode = ScrollMode::Voice;
            s.speed = 36;
        });
        p.show();
        p.panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&p.panel));

        auto owner = [&p](QWidget *w) -> QString {
            auto *colors = p.get<SwatchRow>("colors");
            for (int i = 0; i < colors->colors().size(); ++i) {
                if (w == colors->swatchButton(i))
                    return QStringLiteral("colors");
            }
            for (; w && w != &p.panel; w = w->parentWidget()) {
                if (!w->objectName().isEmpty())
                    return w->objectName();
            }
            return QString();
        };
        auto tabThrough = [&p, &owner] {
            p.get<SegmentedControl>("mode")->segmentButton(0)->setFocus(Qt::TabFocusReason);
            QStringList visited;
            for (int i = 0; i < 40; ++i) {
                const QString name = owner(QApplication::focusWidget());
                if (!name.isEmpty() && (visited.isEmpty() || visited.last() != name))
                    visited.append(name);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                if (owner(QApplication::focusWidget()) == QLatin1String("mode") && i > 0)
                    break;
            }
            return visited;
        };
        const QStringList rest {"fontSize", "colors", "mirror", "scrollMode", "speed",
            "micSensitivity", "countdown", "pauseOnHover", "mediaRemote", "presenterClicker",
            "hideFromSharing", "reset"};
        QCOMPARE(
            tabThrough(), QStringList({"mode", "notchWidth", "notchHeight", "belowTopBar"}) + rest);
        // Display mode's rows take the notch's place.
        p.change([](Settings &s) { s.mode = PrompterMode::Display; });
        QCOMPARE(tabThrough(),
            QStringList({"mode", "displayName", "flipVertical", "eyeLineMarker"}) + rest);
        p.change([](Settings &s) { s.mode = PrompterMode::Notch; });

        // Arrows move a slider by one, Page keys by ten.
        ValueSlider *speed = p.slider("speed")->slider();
        speed->setFocus(Qt::TabFocusReason);
        QTest::keyClick(speed, Qt::Key_Right);
        QCOMPARE(p.f.store.settings().speed, 37.0);
        QTest::keyClick(speed, Qt::Key_PageDown);
        QCOMPARE(p.f.store.settings().speed, 27.0);
        QCOMPARE(p.slider("speed")->valueText(), QStringLiteral("27"));
        // Space and Enter flip a switch.
        QAbstractButton *mirror = p.get<ToggleRow>("mirror")->toggle();
        QTest::keyClick(mirror, Qt::Key_Space);
        QVERIFY(p.f.store.settings().mirror);
        QTest::keyClick(mirror, Qt::Key_Return);
        QTRY_VERIFY(!p.f.store.settings().mirror);
        // Arrows choose among segments and swatches.
        auto *mode = p.get<SegmentedControl>("mode");
        QTest::keyClick(mode->segmentButton(0), Qt::Key_Right);
        QCOMPARE(p.f.store.settings().mode, PrompterMode::Floating);
        QCOMPARE(QApplication::focusWidget(), mode->segmentButton(1));
        auto *colors = p.get<SwatchRow>("colors");
        QTest::keyClick(colors->swatchButton(0), Qt::Key_Right);
        QCOMPARE(p.f.store.settings().colorHex, QStringLiteral("FFE27A"));
        QVERIFY(colors->swatchButton(1)->isChecked());
        QVERIFY(!colors->swatchButton(0)->isChecked());
        // Enter presses a button.
        QTest::keyClick(p.get<QAbstractButton>("reset"), Qt::Key_Return);
        QTRY_COMPARE(p.f.store.settings().colorHex, QStringLiteral("FFFFFF"));
    }

    // What a screen reader is told about each control matches what the column shows.
    void screenReadersHearWhatIsShown()
    {
        Panel p;
        p.change([](Settings &s) {
            s.scrollMode = ScrollMode::Voice;
            s.speed = 36.8;
            s.mirror = false;
            s.countdown = true;
        });
        p.show();
        auto sliderSays = [&p](const char *name, const QString &label, int value) {
            QAccessibleInterface *a
                = QAccessible::queryAccessibleInterface(p.slider(name)->slider());
            QVERIFY(a);
            QCOMPARE(a->role(), QAccessible::Slider);
            QCOMPARE(a->text(QAccessible::Name), label);
            QVERIFY(a->valueInterface());
            QCOMPARE(a->valueInterface()->currentValue().toInt(), value);
        };
        sliderSays("speed", QStringLiteral("Speed"), 36);
        sliderSays("fontSize", QStringLiteral("Size"), 19);
        sliderSays("notchWidth", QStringLiteral("Width"), 380);
        sliderSays("notchHeight", QStringLiteral("Height"), 150);
        sliderSays("micSensitivity", QStringLiteral("Mic sensitivity"), 50);

        auto switchSays = [&p](const char *name, const QString &label, bool on) {
            QAccessibleInterface *a
                = QAccessible::queryAccessibleInterface(p.get<ToggleRow>(name)->toggle());
            QVERIFY(a);
            QCOMPARE(a->role(), QAccessible::CheckBox);
            QCOMPARE(a->text(QAccessible::Name), label);
            QCOMPARE(bool(a->state().checked), on);
        };
        switchSays("mirror", QStringLiteral("Mirror text"), false);
        switchSays("countdown", QStringLiteral("3-2-1 countdown"), true);
        switchSays("pauseOnHover", QStringLiteral("Pause on hover"), true);
        switchSays("belowTopBar", QStringLiteral("Below the top bar"), false);
        switchSays("mediaRemote", QStringLiteral("Media keys and phone remote"), true);
        switchSays("presenterClicker", QStringLiteral("Presenter clicker"), false);
        switchSays("hideFromSharing", QStringLiteral("Hide from screen sharing"),
            p.f.store.settings().hideFromSharing);

        auto choiceSays = [](QAbstractButton *b, const QString &label, bool chosen) {
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(b);
            QVERIFY(a);
            QCOMPARE(a->role(), QAccessible::RadioButton);
            QCOMPARE(a->text(QAccessible::Name), label);
            QCOMPARE(bool(a->state().checked), chosen);
        };
        auto *mode = p.get<SegmentedControl>("mode");
        choiceSays(mode->segmentButton(0), QStringLiteral("Notch"), true);
        choiceSays(mode->segmentButton(1), QStringLiteral("Floating"), false);
        auto *scroll = p.get<SegmentedControl>("scrollMode");
        choiceSays(scroll->segmentButton(0), QStringLiteral("Steady"), false);
        choiceSays(scroll->segmentButton(1), QStringLiteral("Voice"), true);
        auto *colors = p.get<SwatchRow>("colors");
        const QStringList names {"White", "Yellow", "Green", "Blue", "Pink"};
        for (int i = 0; i < names.size(); ++i)
            choiceSays(colors->swatchButton(i), names.at(i), i == 0);

        QAccessibleInterface *reset
            = QAccessible::queryAccessibleInterface(p.get<QAbstractButton>("reset"));
        QCOMPARE(reset->role(), QAccessible::Button);
        QCOMPARE(reset->text(QAccessible::Name), QStringLiteral("Reset to defaults"));

        // Display mode's own rows.
        choiceSays(mode->segmentButton(2), QStringLiteral("Display"), false);
        p.change([](Settings &s) { s.mode = PrompterMode::Display; });
        switchSays("flipVertical", QStringLiteral("Flip vertically"), false);
        switchSays("eyeLineMarker", QStringLiteral("Eye-line marker"), true);
        auto *picker = p.get<ScreenPicker>("displayName");
        QCOMPARE(picker->focusPolicy(), Qt::TabFocus);
        QCOMPARE(QAccessible::queryAccessibleInterface(picker)->text(QAccessible::Name),
            QStringLiteral("Screen"));
    }

    void resetKeepsTheFloatingFrame()
    {
        Panel p;
        p.change([](Settings &s) {
            s.mode = PrompterMode::Floating;
            s.scrollMode = ScrollMode::Voice;
            s.speed = 120;
            s.fontSize = 40;
            s.colorHex = QStringLiteral("8BE0FF");
            s.notchWidth = 700;
            s.notchHeight = 300;
            s.hideFromSharing = false;
            s.pauseOnHover = false;
            s.mirror = true;
            s.micSensitivity = 0.9;
            s.countdown = false;
            s.floatingFrame = QList<double> {40, 60, 520, 260};
        });
        QTest::mouseClick(p.get<QAbstractButton>("reset"), Qt::LeftButton);
        Settings want = Store::defaultSettings();
        want.floatingFrame = QList<double> {40, 60, 520, 260};
        QCOMPARE(p.f.store.settings(), want);
        QCOMPARE(p.slider("speed")->valueText(), QStringLiteral("36"));
        QVERIFY(p.shown("notchWidth"));
    }

    void privacySaysWhenCapturesCannotBeKeptOut()
    {
        Panel p;
        const platform::CaptureExclusionSupport support = platform::captureExclusionSupport();
        auto *reason = p.get<QLabel>("captureReason");
        if (support.enforced) {
            QVERIFY(!reason);
            return;
        }
        QVERIFY(reason);
        QVERIFY(p.shown("captureReason"));
        QCOMPARE(reason->text(), support.reason);
        QCOMPARE(reason->palette().color(QPalette::WindowText), palette::tallySoft());
    }

    void columnScrollsWithAnOverlayBar()
    {
        Panel p;
        p.change([](Settings &s) { s.scrollMode = ScrollMode::Voice; });
        p.panel.resize(SettingsPanel::kWidth, 400);
        p.show();
        QCOMPARE(p.panel.width(), 272);
        auto *area = p.panel.findChild<QScrollArea *>();
        auto *bar = p.get<QScrollBar>("settingsScrollBar");
        QVERIFY(area && bar);
        QTRY_VERIFY(bar->isVisible());
        // The content keeps the column's full width under the floating bar.
        QCOMPARE(area->widget()->width(), 272);
        // A slider lets the wheel pass on to the column, which scrolls with its bar hidden.
        auto wheelAt = [](QWidget *w) {
            const QPoint at(w->width() / 2, w->height() / 2);
            QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w, &wheel);
            return wheel.isAccepted();
        };
        QVERIFY(!wheelAt(p.slider("speed")->slider()));
        QCOMPARE(p.f.store.settings().speed, 36.0);
        QVERIFY(wheelAt(area->viewport()));
        QVERIFY(bar->value() > 0);
        bar->setValue(bar->maximum());
        QCOMPARE(area->verticalScrollBar()->value(), bar->maximum());

        p.panel.resize(SettingsPanel::kWidth, 3000);
        QTRY_VERIFY(!bar->isVisible());
    }
};

QTEST_MAIN(TstSettingsPanel)
#include "tst_settings_panel.moc"
