// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/audio_input.h"

#include <QObject>

#include <functional>
#include <memory>
#include <span>

namespace qm {

// Decides from microphone loudness alone whether the speaker is talking. No audio is kept.
class VoiceMonitor final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VoiceMonitor)

public:
    using Clock = std::function<double()>;

    // `input` null means the platform's default backend.
    explicit VoiceMonitor(std::unique_ptr<platform::AudioInput> input = {}, Clock clock = {},
        QObject *parent = nullptr);
    ~VoiceMonitor() override;

    double level() const { return m_level; } // smoothed loudness, 0…1
    bool speaking() const { return m_speaking; }
    bool denied() const { return m_denied; }
    // From start until stop or a failure, including while the microphone is still opening.
    bool running() const { return m_running; }

    double sensitivity() const { return m_sensitivity; }
    void setSensitivity(double s) { m_sensitivity = s; }

    // Returns at once: the microphone opens in the background, and whether it could be opened
    // arrives later as denied (false when open, true when not).
    void start();
    void stop();

    // One block's raw level on the main thread (the reader posts it here).
    void ingest(double raw);

    // Loudness of one block: RMS of the samples in dBFS mapped from -60…0 to 0…1.
    static double rawLevel(std::span<const float> samples);
    static constexpr double kHold = 0.5;

Q_SIGNALS:
    void levelChanged(double);
    void speakingChanged(bool);
    void deniedChanged(bool);

private:
    void begin();
    void setDenied(bool d);

    std::unique_ptr<platform::AudioInput> m_input;
    Clock m_clock;
    double m_level = 0;
    bool m_speaking = false;
    bool m_denied = false;
    double m_sensitivity = 0.5;
    bool m_running = false;
    double m_lastVoice = 0;
    bool m_haveVoice = false;
    quint64 m_session = 0;
};

} // namespace qm
