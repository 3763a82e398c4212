// SPDX-License-Identifier: GPL-3.0-or-later
#include "voice_monitor.h"

#include "platform/audio_input.h"
#include "platform/monotonic_clock.h"

#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <array>
#include <cmath>

namespace qm {

VoiceMonitor::VoiceMonitor(
    std::unique_ptr<platform::AudioInput> input, Clock clock, QObject *parent)
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
    // Eight independent partial sums let the compiler keep them in vector lanes; a single
    // running sum would be one long dependency chain.
    constexpr std::size_t lanes = 8;
    std::array<float, lanes> partial {};
    const std::size_t whole = samples.size() - samples.size() % lanes;
    for (std::size_t i = 0; i < whole; i += lanes)
        for (std::size_t k = 0; k < lanes; ++k)
            partial[k] += samples[i + k] * samples[i + k];
    float sum = 0;
    for (std::size_t i = whole; i < samples.size(); ++i)
        sum += samples[i] * samples[i];
    for (float p : partial)
        sum += p;
    float rms = std::sqrt(sum / float(samples.size()));
    // The negated test also catches NaN from a broken source, which would otherwise stick in
    // the smoothed level for good.
    if (!(rms >= 1e-7f))
        rms = 1e-7f;
    const double db = 20.0 * std::log10(double(rms));
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
    // Blocks or a failure queued by an earlier session must not reach this one.
    const quint64 session = ++m_session;
    QPointer<VoiceMonitor> self(this);
    // Runs on the reader's thread: one level per block, handed to the main thread.
    auto onBlock = [self, session](std::span<const float> samples) {
        if (samples.empty())
            return;
        const double raw = rawLevel(samples);
        QMetaObject::invokeMethod(
            self.data(),
            [self, session, raw] {
                if (self && self->m_running && self->m_session == session)
                    self->ingest(raw);
            },
            Qt::QueuedConnection);
    };
    auto onFailure = [self, session] {
        QMetaObject::invokeMethod(
            self.data(),
            [self, session] {
                if (!self || !self->m_running || self->m_session != session)
                    return;
                self->stop();
                self->setDenied(true);
            },
            Qt::QueuedConnection);
    };
    // The source opens in the background; until it is open or has failed, the monitor counts
    // as running (a stop ends the attempt) and keeps whatever it said about the microphone.
    auto onReady = [self, session] {
        QMetaObject::invokeMethod(
            self.data(),
            [self, session] {
                if (self && self->m_running && self->m_session == session)
                    self->setDenied(false);
            },
            Qt::AutoConnection);
    };
    m_running = true;
    if (!m_input->open(onBlock, onFailure, onReady)) {
        m_running = false;
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
