// SPDX-License-Identifier: GPL-3.0-or-later
// Microphone capture through the PulseAudio client API (also served by PipeWire). A threaded
// main loop rather than blocking reads, so that stop never waits for a silent source, and the
// connection is made on that loop's thread, so that opening never waits for the server.
//
// Every input open in the process at the same time shares one record stream: the loudness
// monitor and the recogniser hear the same 48 kHz capture instead of opening two.
#include "audio_input.h"

#include <pulse/context.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

namespace qm::platform {

namespace {

constexpr std::size_t kBlockFrames = 1024;
constexpr std::size_t kBlockBytes = kBlockFrames * sizeof(float);
constexpr uint32_t kCaptureRate = 48000;
// A server that neither accepts nor refuses must not hold up the prompter for long.
constexpr pa_usec_t kCaptureConnectTimeout = 2 * PA_USEC_PER_SEC;

enum class State { Connecting, Delivering, Failed };

// One input's part in the shared stream. Its fields change on the loop thread, or elsewhere
// with the loop's lock held.
struct Listener {
    AudioInput::BlockHandler onBlock;
    AudioInput::FailureHandler onFailure;
    AudioInput::ReadyHandler onReady;
    State state = State::Connecting;
    // False while start waits for the outcome itself: it answers a failed opening.
    bool reportOpeningFailure = true;
};

// The record stream and its loop. It lives while an input holds it; once it has failed, the
// next input to open gets a fresh one.
class SharedCapture {
public:
    SharedCapture() = default;
    SharedCapture(const SharedCapture &) = delete;
    SharedCapture &operator=(const SharedCapture &) = delete;
    ~SharedCapture();

    // The stream every input open now shares, opened if none is; null when no loop can run.
    static std::shared_ptr<SharedCapture> acquire();

    // Adds `l`, which hears blocks once the stream delivers. Its ready or failure handler runs
    // here when the stream is already open or has already failed.
    void add(Listener *l);
    // After it returns, no handler of `l` runs any more.
    void remove(Listener *l);
    // Waits until the stream delivers to `l` or has failed it; true when it delivers.
    bool waitOpened(Listener *l);
    void setReportOpeningFailure(Listener *l, bool report);

private:
    bool begin();
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
    std::atomic<bool> m_failed {false};
    // Guarded by the loop's lock.
    State m_state = State::Connecting;
    std::vector<Listener *> m_listeners;
    std::array<float, kBlockFrames> m_pending {};
    std::size_t m_pendingBytes = 0;
};

std::shared_ptr<SharedCapture> SharedCapture::acquire()
{
    // Never destroyed: an input may still let go of its stream while the process exits.
    static auto *mutex = new std::mutex;
    static auto *current = new std::weak_ptr<SharedCapture>;
    std::lock_guard lock(*mutex);
    if (auto capture = current->lock(); capture && !capture->m_failed)
        return capture;
    auto capture = std::make_shared<SharedCapture>();
    if (!capture->begin())
        return {};
    *current = capture;
    return capture;
}

bool SharedCapture::begin()
{
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return false;
    if (pa_threaded_mainloop_start(m_loop) < 0) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
        return false;
    }
    // Everything that may wait for the server, from reading the client configuration to the
    // handshake, happens on the loop's thread: a sound server that stalls holds up nobody.
    pa_threaded_mainloop_lock(m_loop);
    pa_mainloop_api_once(pa_threaded_mainloop_get_api(m_loop), beginCallback, this);
    pa_threaded_mainloop_unlock(m_loop);
    return true;
}

SharedCapture::~SharedCapture()
{
    if (!m_loop)
        return;
    // Ending the loop thread first means no callback can run during or after the teardown.
    pa_threaded_mainloop_stop(m_loop);
    teardown();
}

void SharedCapture::add(Listener *l)
{
    pa_threaded_mainloop_lock(m_loop);
    l->state = m_state;
    const bool ready = m_state == State::Delivering;
    const bool failed = m_state == State::Failed;
    if (!failed)
        m_listeners.push_back(l);
    pa_threaded_mainloop_unlock(m_loop);
    if (ready && l->onReady)
        l->onReady();
    if (failed && l->reportOpeningFailure && l->onFailure)
        l->onFailure();
}

void SharedCapture::remove(Listener *l)
{
    pa_threaded_mainloop_lock(m_loop);
    std::erase(m_listeners, l);
    l->state = State::Failed;
    pa_threaded_mainloop_unlock(m_loop);
}

bool SharedCapture::waitOpened(Listener *l)
{
    pa_threaded_mainloop_lock(m_loop);
    while (l->state == State::Connecting)
        pa_threaded_mainloop_wait(m_loop);
    const bool ok = l->state == State::Delivering;
    pa_threaded_mainloop_unlock(m_loop);
    return ok;
}

void SharedCapture::setReportOpeningFailure(Listener *l, bool report)
{
    pa_threaded_mainloop_lock(m_loop);
    l->reportOpeningFailure = report;
    pa_threaded_mainloop_unlock(m_loop);
}

void SharedCapture::beginCallback(pa_mainloop_api *, void *self)
{
    static_cast<SharedCapture *>(self)->connectContext();
}

void SharedCapture::connectContext()
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
        m_context, pa_rtclock_now() + kCaptureConnectTimeout, timeoutCallback, this);
    // No autospawn: starting a sound server from inside the prompter could take seconds;
    // desktops start theirs (or activate it through its socket) on their own.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        fail();
}

void SharedCapture::connectStream()
{
    const pa_sample_spec format {PA_SAMPLE_FLOAT32NE, kCaptureRate, 1};
    m_stream = pa_stream_new(m_context, "Microphone", &format, nullptr);
    if (!m_stream) {
        fail();
        return;
    }
    pa_stream_set_state_callback(m_stream, streamStateCallback, this);
    pa_stream_set_read_callback(m_stream, readCallback, this);
    constexpr uint32_t any = static_cast<uint32_t>(-1);
    // One fragment per block keeps the level and the recogniser close to what is being said.
    const pa_buffer_attr attr {any, any, any, any, static_cast<uint32_t>(kBlockBytes)};
    if (pa_stream_connect_record(m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY) < 0)
        fail();
}

void SharedCapture::teardown()
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
}

void SharedCapture::fail()
{
    if (m_state == State::Failed)
        return;
    m_state = State::Failed;
    m_failed = true;
    // Every input hears of it once and is let go; those opening again get a fresh stream.
    const std::vector<Listener *> listeners = std::exchange(m_listeners, {});
    for (Listener *l : listeners) {
        const bool opening = l->state == State::Connecting;
        l->state = State::Failed;
        if (l->onFailure && (!opening || l->reportOpeningFailure))
            l->onFailure();
    }
    pa_threaded_mainloop_signal(m_loop, 0);
}

void SharedCapture::contextStateCallback(pa_context *c, void *self)
{
    auto *capture = static_cast<SharedCapture *>(self);
    const pa_context_state_t state = pa_context_get_state(c);
    if (!PA_CONTEXT_IS_GOOD(state))
        capture->fail();
    else if (state == PA_CONTEXT_READY && capture->m_state == State::Connecting
        && !capture->m_stream)
        capture->connectStream();
}

void SharedCapture::streamStateCallback(pa_stream *s, void *self)
{
    auto *capture = static_cast<SharedCapture *>(self);
    const pa_stream_state_t state = pa_stream_get_state(s);
    if (!PA_STREAM_IS_GOOD(state)) {
        capture->fail();
    } else if (state == PA_STREAM_READY && capture->m_state == State::Connecting) {
        if (capture->m_timeout) {
            pa_threaded_mainloop_get_api(capture->m_loop)->time_free(capture->m_timeout);
            capture->m_timeout = nullptr;
        }
        capture->m_state = State::Delivering;
        for (Listener *l : capture->m_listeners) {
            l->state = State::Delivering;
            if (l->onReady)
                l->onReady();
        }
        pa_threaded_mainloop_signal(capture->m_loop, 0);
    }
}

void SharedCapture::timeoutCallback(
    pa_mainloop_api *, pa_time_event *, const struct timeval *, void *self)
{
    auto *capture = static_cast<SharedCapture *>(self);
    if (capture->m_state == State::Connecting)
        capture->fail();
}

void SharedCapture::readCallback(pa_stream *s, size_t, void *self)
{
    auto *capture = static_cast<SharedCapture *>(self);
    for (;;) {
        const void *data = nullptr;
        size_t nbytes = 0;
        if (pa_stream_peek(s, &data, &nbytes) < 0) {
            capture->fail();
            return;
        }
        if (nbytes == 0)
            return;
        // A hole (data null) is a gap in the recording; it carries no samples to hand on.
        if (data && capture->m_state == State::Delivering) {
            const auto *bytes = static_cast<const unsigned char *>(data);
            while (nbytes > 0) {
                const std::size_t take = std::min(nbytes, kBlockBytes - capture->m_pendingBytes);
                std::memcpy(reinterpret_cast<unsigned char *>(capture->m_pending.data())
                        + capture->m_pendingBytes,
                    bytes, take);
                capture->m_pendingBytes += take;
                bytes += take;
                nbytes -= take;
                if (capture->m_pendingBytes == kBlockBytes) {
                    capture->m_pendingBytes = 0;
                    for (Listener *l : capture->m_listeners)
                        l->onBlock(std::span<const float>(capture->m_pending));
                }
            }
        }
        pa_stream_drop(s);
    }
}

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
    std::shared_ptr<SharedCapture> m_capture;
    Listener m_listener;
};

bool PulseAudioInput::open(BlockHandler onBlock, FailureHandler onFailure, ReadyHandler onReady)
{
    if (m_capture)
        return true;
    m_capture = SharedCapture::acquire();
    if (!m_capture)
        return false;
    m_listener.onBlock = std::move(onBlock);
    m_listener.onFailure = std::move(onFailure);
    m_listener.onReady = std::move(onReady);
    m_capture->add(&m_listener);
    return true;
}

bool PulseAudioInput::start(BlockHandler onBlock, FailureHandler onFailure)
{
    if (m_capture)
        return true;
    m_listener.reportOpeningFailure = false;
    if (!open(std::move(onBlock), std::move(onFailure), {})) {
        m_listener.reportOpeningFailure = true;
        return false;
    }
    const bool ok = m_capture->waitOpened(&m_listener);
    m_capture->setReportOpeningFailure(&m_listener, true);
    if (!ok)
        stop();
    return ok;
}

void PulseAudioInput::stop()
{
    if (!m_capture)
        return;
    m_capture->remove(&m_listener);
    // The last input to let go closes the stream.
    m_capture.reset();
    m_listener = Listener {};
}

} // namespace

std::unique_ptr<AudioInput> createAudioInput()
{
    return std::make_unique<PulseAudioInput>();
}

} // namespace qm::platform
