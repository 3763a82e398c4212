// SPDX-License-Identifier: GPL-3.0-or-later
// Microphone capture through the PulseAudio client API (also served by PipeWire). A threaded
// main loop rather than blocking reads, so that stop never waits for a silent source, and the
// connection is made on that loop's thread, so that opening never waits for the server.
#include "audio_input.h"

#include <pulse/context.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace qm::platform {

namespace {

constexpr std::size_t kBlockFrames = 1024;
constexpr std::size_t kBlockBytes = kBlockFrames * sizeof(float);
constexpr uint32_t kRate = 48000;
// A server that neither accepts nor refuses must not hold up the prompter for long.
constexpr pa_usec_t kConnectTimeout = 2 * PA_USEC_PER_SEC;

class PulseAudioInput final : public AudioInput {
public:
    PulseAudioInput() = default;
    PulseAudioInput(const PulseAudioInput &) = delete;
    PulseAudioInput &operator=(const PulseAudioInput &) = delete;
    ~PulseAudioInput() override { stop(); }

    // Linux has no per-application microphone permission; an input that cannot be opened is
    // reported by start instead.
    MicrophonePermission permission() const override { return MicrophonePermission::Granted; }
    void requestPermission(std::function<void(bool)> answer) override { answer(true); }

    bool start(BlockHandler onBlock, FailureHandler onFailure) override;
    bool open(BlockHandler onBlock, FailureHandler onFailure, ReadyHandler onReady) override;
    void stop() override;

private:
    enum class State { Connecting, Delivering, Failed };

    void teardown();
    // On the loop thread, with its lock held, from here on.
    void connectContext();
    void connectStream();
    void fail();

    static void beginCallback(pa_mainloop_api *, void *self);
    static void contextStateCallback(pa_context *c, void *self);
    static void streamStateCallback(pa_stream *s, void *self);
    static void readCallback(pa_stream *s, size_t nbytes, void *self);
    static void timeoutCallback(
        pa_mainloop_api *api, pa_time_event *e, const struct timeval *, void *self);

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    pa_time_event *m_timeout = nullptr;

    // The fields below are touched by the loop thread, or by the main thread while it holds
    // the loop's lock or after the loop thread has ended.
    State m_state = State::Failed;
    // False while start waits for the outcome itself: it answers a failed opening.
    bool m_reportOpeningFailure = true;
    BlockHandler m_onBlock;
    FailureHandler m_onFailure;
    ReadyHandler m_onReady;
    std::array<float, kBlockFrames> m_pending {};
    std::size_t m_pendingBytes = 0;
};

bool PulseAudioInput::open(BlockHandler onBlock, FailureHandler onFailure, ReadyHandler onReady)
{
    if (m_loop)
        return true;
    m_onBlock = std::move(onBlock);
    m_onFailure = std::move(onFailure);
    m_onReady = std::move(onReady);
    m_pendingBytes = 0;
    m_state = State::Connecting;

    m_loop = pa_threaded_mainloop_new();
    if (!m_loop) {
        teardown();
        return false;
    }
    if (pa_threaded_mainloop_start(m_loop) < 0) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
        teardown();
        return false;
    }
    // Everything that may wait for the server, from reading the client configuration to the
    // handshake, happens on the loop's thread: a sound server that stalls holds up nobody.
    pa_threaded_mainloop_lock(m_loop);
    pa_mainloop_api_once(pa_threaded_mainloop_get_api(m_loop), beginCallback, this);
    pa_threaded_mainloop_unlock(m_loop);
    return true;
}

bool PulseAudioInput::start(BlockHandler onBlock, FailureHandler onFailure)
{
    if (m_loop)
        return true;
    m_reportOpeningFailure = false;
    if (!open(std::move(onBlock), std::move(onFailure), {})) {
        m_reportOpeningFailure = true;
        return false;
    }
    pa_threaded_mainloop_lock(m_loop);
    while (m_state == State::Connecting)
        pa_threaded_mainloop_wait(m_loop);
    const bool ok = m_state == State::Delivering;
    m_reportOpeningFailure = true;
    pa_threaded_mainloop_unlock(m_loop);
    if (!ok)
        stop();
    return ok;
}

void PulseAudioInput::beginCallback(pa_mainloop_api *, void *self)
{
    static_cast<PulseAudioInput *>(self)->connectContext();
}

void PulseAudioInput::connectContext()
{
    if (m_state != State::Connecting)
        return;
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(m_loop);
    m_context = pa_context_new(api, "Quillmere");
    if (!m_context) {
        fail();
        return;
    }
    pa_context_set_state_callback(m_context, contextStateCallback, this);
    m_timeout = pa_context_rttime_new(
        m_context, pa_rtclock_now() + kConnectTimeout, timeoutCallback, this);
    // No autospawn: starting a sound server from inside the prompter could take seconds;
    // desktops start theirs (or activate it through its socket) on their own.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        fail();
}

void PulseAudioInput::connectStream()
{
    const pa_sample_spec format {PA_SAMPLE_FLOAT32NE, kRate, 1};
    m_stream = pa_stream_new(m_context, "Voice level", &format, nullptr);
    if (!m_stream) {
        fail();
        return;
    }
    pa_stream_set_state_callback(m_stream, streamStateCallback, this);
    pa_stream_set_read_callback(m_stream, readCallback, this);
    constexpr uint32_t any = static_cast<uint32_t>(-1);
    // One fragment per block keeps the level close to what is being said.
    const pa_buffer_attr attr {any, any, any, any, static_cast<uint32_t>(kBlockBytes)};
    if (pa_stream_connect_record(m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY) < 0)
        fail();
}

void PulseAudioInput::stop()
{
    if (!m_loop)
        return;
    // Ending the loop thread first means no callback can run during or after the teardown.
    pa_threaded_mainloop_stop(m_loop);
    teardown();
}

void PulseAudioInput::teardown()
{
    if (m_timeout && m_loop)
        pa_threaded_mainloop_get_api(m_loop)->time_free(m_timeout);
    m_timeout = nullptr;
    if (m_stream) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        if (pa_stream_get_state(m_stream) == PA_STREAM_READY)
            pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_loop) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }
    m_state = State::Failed;
    m_onBlock = nullptr;
    m_onFailure = nullptr;
    m_onReady = nullptr;
}

void PulseAudioInput::fail()
{
    if (m_state == State::Failed)
        return;
    const bool opening = m_state == State::Connecting;
    m_state = State::Failed;
    if (m_onFailure && (!opening || m_reportOpeningFailure))
        m_onFailure();
    pa_threaded_mainloop_signal(m_loop, 0);
}

void PulseAudioInput::contextStateCallback(pa_context *c, void *self)
{
    auto *input = static_cast<PulseAudioInput *>(self);
    const pa_context_state_t state = pa_context_get_state(c);
    if (!PA_CONTEXT_IS_GOOD(state))
        input->fail();
    else if (state == PA_CONTEXT_READY && input->m_state == State::Connecting && !input->m_stream)
        input->connectStream();
}

void PulseAudioInput::streamStateCallback(pa_stream *s, void *self)
{
    auto *input = static_cast<PulseAudioInput *>(self);
    const pa_stream_state_t state = pa_stream_get_state(s);
    if (!PA_STREAM_IS_GOOD(state)) {
        input->fail();
    } else if (state == PA_STREAM_READY && input->m_state == State::Connecting) {
        if (input->m_timeout) {
            pa_threaded_mainloop_get_api(input->m_loop)->time_free(input->m_timeout);
            input->m_timeout = nullptr;
        }
        input->m_state = State::Delivering;
        if (input->m_onReady)
            input->m_onReady();
        pa_threaded_mainloop_signal(input->m_loop, 0);
    }
}

void PulseAudioInput::timeoutCallback(
    pa_mainloop_api *, pa_time_event *, const struct timeval *, void *self)
{
    auto *input = static_cast<PulseAudioInput *>(self);
    if (input->m_state == State::Connecting)
        input->fail();
}

void PulseAudioInput::readCallback(pa_stream *s, size_t, void *self)
{
    auto *input = static_cast<PulseAudioInput *>(self);
    for (;;) {
        const void *data = nullptr;
        size_t nbytes = 0;
        if (pa_stream_peek(s, &data, &nbytes) < 0) {
            input->fail();
            return;
        }
        if (nbytes == 0)
            return;
        // A hole (data null) is a gap in the recording; it carries no samples to measure.
        if (data && input->m_state == State::Delivering) {
            const auto *bytes = static_cast<const unsigned char *>(data);
            while (nbytes > 0) {
                const std::size_t take = std::min(nbytes, kBlockBytes - input->m_pendingBytes);
                std::memcpy(reinterpret_cast<unsigned char *>(input->m_pending.data())
                        + input->m_pendingBytes,
                    bytes, take);
                input->m_pendingBytes += take;
                bytes += take;
                nbytes -= take;
                if (input->m_pendingBytes == kBlockBytes) {
                    input->m_pendingBytes = 0;
                    input->m_onBlock(std::span<const float>(input->m_pending));
                }
            }
        }
        pa_stream_drop(s);
    }
}

} // namespace

std::unique_ptr<AudioInput> createAudioInput()
{
    return std::make_unique<PulseAudioInput>();
}

} // namespace qm::platform
