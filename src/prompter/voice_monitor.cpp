// SPDX-License-Identifier: GPL-3.0-or-later
#include "voice_monitor.h"

#include "platform/audio_input.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

double monotonicSeconds()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

VoiceMonitor::VoiceMonitor(std::unique_ptr<platform::AudioInput> input, Clock clock,
    QObject *parent)
    : QObject(parent)
    , m_input(input ? std::move(input) : platform::createAudioInput())
    , m_clock(clock ? std::move(clock) : Clock(monotonicSeconds))
{
}

VoiceMonitor::~VoiceMonitor()
{
    // The reader must be gone before the monitor it posts to.
    if (m_running)
        m_input->stop();
}

double VoiceMonitor::rawLevel(std::span<const float> samples)
{
    if (samples.empty())
        return 0;
    float sum = 0;
    for (float s : samples)
        sum += s * s;
    const float rms = std::sqrt(sum / float(samples.size()));
    const double db = 20.0 * std::log10(std::max(double(rms), 1e-7));
    return std::clamp((db + 60.0) / 60.0, 0.0, 1.0);
}

void VoiceMonitor::start()
{
    if (m_running)
        return;
    switch (m_input->permission()) {
    case platform::MicrophonePermission::Granted:
        begin();
        break;
    case platform::MicrophonePermission::Undetermined: {
        QPointer<VoiceMonitor> self(this);
        m_input->requestPermission([self](bool granted) {
            QMetaObject::invokeMethod(
                self,
                [self, granted] {
                    if (!self)
                        return;
                    if (granted)
                        self->begin();
                    else
                        self->setDenied(true);
                },
                Qt::QueuedConnection);
        });
        break;
    }
    case platform::MicrophonePermission::Denied:
        setDenied(true);
        break;
    }
}

void VoiceMonitor::begin()
{
    if (m_running)
        return;
    QPointer<VoiceMonitor> self(this);
    // Runs on the reader's thread: one level per block, handed to the main thread.
    auto onBlock = [self](std::span<const float> samples) {
        if (samples.empty())
            return;
        const double raw = rawLevel(samples);
        QMetaObject::invokeMethod(
            self.data(),
            [self, raw] {
                if (self && self->m_running)
                    self->ingest(raw);
            },
            Qt::QueuedConnection);
    };
    auto onFailure = [self] {
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (!self || !self->m_running)
                    return;
                self->stop();
                self->setDenied(true);
            },
            Qt::QueuedConnection);
    };
    if (m_input->start(onBlock, onFailure)) {
        m_running = true;
        setDenied(false);
    } else {
        setDenied(true);
    }
}

void VoiceMonitor::ingest(double raw)
{
    m_level = 0.4 * raw + 0.6 * m_level;
    Q_EMIT levelChanged(m_level);
    const double now = m_clock();
    if (raw > 0.8 - 0.5 * m_sensitivity) {
        m_lastVoice = now;
        m_haveVoice = true;
    }
    const bool speaking = m_haveVoice && (now - m_lastVoice) < kHold;
    if (speaking != m_speaking) {
        m_speaking = speaking;
        Q_EMIT speakingChanged(speaking);
    }
}

void VoiceMonitor::stop()
{
    if (!m_running)
        return;
    m_input->stop();
    m_running = false;
    if (m_speaking) {
        m_speaking = false;
        Q_EMIT speakingChanged(false);
    }
    if (m_level != 0) {
        m_level = 0;
        Q_EMIT levelChanged(0);
    }
}

void VoiceMonitor::setDenied(bool d)
{
    if (d == m_denied)
        return;
    m_denied = d;
    Q_EMIT deniedChanged(d);
}

} // namespace qm
