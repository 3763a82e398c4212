// SPDX-License-Identifier: GPL-3.0-or-later
// One prompter following another over a real WebSocket on loopback.
#include "main_window/controller_fixture.h"
#include "model/script.h"
#include "prompter/scroll_state.h"
#include "remote/follow_link.h"
#include "remote/remote_server.h"

#include <QTest>

#include <memory>

using namespace qm;
using qm::testing::ControllerFixture;

namespace {

const QString kToken = QStringLiteral("00112233445566778899aabbccddeeff");

} // namespace

class TestFollowLink final : public QObject {
    Q_OBJECT

    std::unique_ptr<ControllerFixture> leader;
    std::unique_ptr<ControllerFixture> follower;
    std::unique_ptr<RemoteServer> server;
    std::unique_ptr<FollowLink> link;
    quint16 port = 0;

    void serve(quint16 at = 0)
    {
        server = std::make_unique<RemoteServer>(leader->controller);
        server->setToken(kToken);
        port = server->start(at, QHostAddress::LocalHost);
        QVERIFY(port != 0);
    }

    PairingLink leaderLink(const QString &token = kToken) const
    {
        return *parsePairingLink(pairingLink(QStringLiteral("127.0.0.1"), port, token));
    }

private Q_SLOTS:
    void init()
    {
        leader = std::make_unique<ControllerFixture>();
        follower = std::make_unique<ControllerFixture>();
        leader->setText(QStringLiteral("Intro\n# One\nfirst\n# Two\nsecond"));
        leader->controller.show();
        // The leader lays its cues out at 1000 and 2000 points; the follower, with a narrower
        // panel, half as far again down.
        leader->controller.setContentHeight(3000);
        leader->controller.setViewportHeight(300);
        leader->controller.setCueOffsets({{1, 1000}, {2, 2000}});
        follower->controller.setContentHeight(4500);
        follower->controller.setViewportHeight(300);
        follower->controller.setCueOffsets({{1, 1500}, {2, 3000}});
        serve();
    }

    void cleanup()
    {
        link.reset();
        server.reset();
        follower.reset();
        leader.reset();
    }

    void followsTheLeader()
    {
        PrompterController &f = follower->controller;
        link = std::make_unique<FollowLink>(f, leaderLink());
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), FollowLink::State::Following, 10000);
        // The leader's script, shown and playing.
        QTRY_VERIFY_WITH_TIMEOUT(f.isVisible() && f.isPlaying(), 10000);
        QCOMPARE(follower->store.selectedID(), leader->store.selectedID());
        QCOMPARE(follower->store.selectedScript()->text, leader->store.selectedScript()->text);
        // The same cue is the same place, and between cues in proportion.
        leader->controller.scrollBy(1000);
        QTRY_COMPARE_WITH_TIMEOUT(f.scroll().offset(), 1500.0, 10000);
        leader->controller.scrollBy(500);
        QTRY_COMPARE_WITH_TIMEOUT(f.scroll().offset(), 2250.0, 10000);
        // Speed, pause and hide.
        leader->controller.nudgeSpeed(8);
        QTRY_COMPARE_WITH_TIMEOUT(follower->store.settings().speed, 44.0, 10000);
        leader->controller.playPause();
        QTRY_VERIFY_WITH_TIMEOUT(!f.isPlaying(), 10000);
        leader->controller.hide();
        QTRY_VERIFY_WITH_TIMEOUT(!f.isVisible(), 10000);
    }

    void ownControlsDriveTheLeader()
    {
        PrompterController &f = follower->controller;
        link = std::make_unique<FollowLink>(f, leaderLink());
        QTRY_VERIFY_WITH_TIMEOUT(f.isVisible() && f.isPlaying(), 10000);
        f.playPause(); // the follower's own hot key
        QTRY_VERIFY_WITH_TIMEOUT(!leader->controller.isPlaying(), 10000);
        f.nudgeSpeed(-4);
        QTRY_COMPARE_WITH_TIMEOUT(leader->store.settings().speed, 32.0, 10000);
        f.hide();
        QTRY_VERIFY_WITH_TIMEOUT(!leader->controller.isVisible(), 10000);
    }

    void keepsItsPlaceWhileTheLeaderIsGone()
    {
        PrompterController &f = follower->controller;
        link = std::make_unique<FollowLink>(f, leaderLink());
        leader->controller.scrollBy(1000);
        QTRY_COMPARE_WITH_TIMEOUT(f.scroll().offset(), 1500.0, 10000);
        const quint16 was = port;
        server.reset();
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), FollowLink::State::Lost, 10000);
        QVERIFY(link->description().contains(QStringLiteral("holding the last place")));
        QCOMPARE(f.scroll().offset(), 1500.0);
        QVERIFY(f.isVisible());
        QVERIFY(!f.isPlaying());
        QVERIFY(f.sourceLost());
        // Holding still is not a pause of the follower's own: the leader is not told.
        QVERIFY(leader->controller.isPlaying());
        // Back, further on: the follower catches up.
        leader->controller.scrollBy(1000);
        serve(was);
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), FollowLink::State::Following, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(f.scroll().offset(), 3000.0, 10000);
        QVERIFY(!f.sourceLost());
        QVERIFY(f.isPlaying());
    }

    void wrongLinkIsRefused()
    {
        link = std::make_unique<FollowLink>(
            follower->controller, leaderLink(QStringLiteral("ffeeddccbbaa99887766554433221100")));
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), FollowLink::State::Refused, 10000);
        QVERIFY(!follower->controller.isVisible());
        QCOMPARE(follower->store.scripts().size(), 1);
    }
};

QTEST_MAIN(TestFollowLink)
#include "tst_follow_link.moc"
