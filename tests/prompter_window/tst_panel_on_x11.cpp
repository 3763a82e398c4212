// SPDX-License-Identifier: GPL-3.0-or-later
// The prompter panel on a real X server without a compositing manager: an opaque window, which
// the server need not copy onto the screen after every frame; a window with an alpha channel
// while a compositing manager runs, which this test stands in for by owning its selection.
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "prompter/voice_monitor.h"
#include "prompter_view/prompter_view.h"
#include "prompter_window/panel_host.h"
#include "prompter_window/prompter_panel.h"
#include "store/store.h"
#include "support/fake_audio_input.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

using namespace qm;

namespace {

xcb_connection_t *connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Owns _NET_WM_CM_S0 while it lives, as a compositing manager does.
struct FakeCompositor {
    FakeCompositor()
    {
        xcb_connection_t *c = connection();
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        window = xcb_generate_id(c);
        xcb_create_window(c, 0, window, screen->root, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
            XCB_COPY_FROM_PARENT, 0, nullptr);
        const QByteArray name = "_NET_WM_CM_S0";
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, quint16(name.size()), name.constData()), nullptr);
        xcb_set_selection_owner(c, window, atom->atom, XCB_CURRENT_TIME);
        std::free(atom);
        xcb_flush(c);
    }
    ~FakeCompositor()
    {
        // The selection goes with its owner's window.
        xcb_destroy_window(connection(), window);
        xcb_flush(connection());
    }
    xcb_window_t window = 0;
};

// The depth of the panel's window on the server: 32 with an alpha channel, 24 without.
int depth(PrompterPanel *panel)
{
    if (!panel || !panel->isVisible())
        return 0;
    xcb_get_geometry_reply_t *reply = xcb_get_geometry_reply(
        connection(), xcb_get_geometry(connection(), xcb_drawable_t(panel->winId())), nullptr);
    const int out = reply ? reply->depth : 0;
    std::free(reply);
    return out;
}

} // namespace

class TestPanelOnX11 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server");
    }

    void panelHasAnAlphaChannelOnlyWithACompositor()
    {
        QTemporaryDir dir;
        Store store(dir.path());
        Settings settings = store.settings();
        settings.mode = PrompterMode::Floating;
        settings.countdown = false;
        store.setSettings(settings);
        VoiceMonitor voice(std::make_unique<qm::testing::FakeAudioInput>());
        PrompterController controller(store, voice);
        PanelHost host(controller);
        controller.setWindowHost(&host);
        controller.show();
        QVERIFY(QTest::qWaitForWindowExposed(host.panel()));

        const auto playsOn = [&] {
            const double from = controller.scroll().offset();
            return QTest::qWaitFor([&] { return controller.scroll().offset() > from + 5; });
        };
        QTRY_COMPARE(depth(host.panel()), 24);
        QVERIFY(playsOn());
        const QRect frame = host.panel()->geometry();

        {
            FakeCompositor compositor;
            QTRY_COMPARE(depth(host.panel()), 32);
            QCOMPARE(host.panel()->geometry(), frame);
            QVERIFY(controller.isPlaying());
            QVERIFY(playsOn());
        }
        QTRY_COMPARE(depth(host.panel()), 24);
        QCOMPARE(host.panel()->geometry(), frame);
        QVERIFY(playsOn());
    }
};

QTEST_MAIN(TestPanelOnX11)
#include "tst_panel_on_x11.moc"
