// SPDX-License-Identifier: GPL-3.0-or-later
#include "trace.h"

#include <QCoreApplication>
#include <QTimer>

#include <charconv>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace qm {

namespace {

struct Tracer {
    std::FILE *file = nullptr;
    std::string buffer;
    const char *pendingEnd = nullptr;
    bool layoutBuilt = false;
    bool timerStarted = false;
};

Tracer *tracer()
{
    static Tracer *const t = []() -> Tracer * {
        const QByteArray path = qgetenv("QUILLMERE_TRACE");
        if (path.isEmpty())
            return nullptr;
        std::FILE *file = std::fopen(path.constData(), "a");
        if (!file)
            return nullptr;
        auto *made = new Tracer;
        made->file = file;
        made->buffer.reserve(1 << 16);
        std::atexit(traceFlush);
        return made;
    }();
    return t;
}

void append(Tracer &t, const char *event)
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Called on every frame while measuring: no formatting machinery, which would show up in
    // the very figures being measured.
    char digits[24];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits,
        static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    if (ec != std::errc())
        return;
    t.buffer.append(event);
    t.buffer.push_back(' ');
    t.buffer.append(digits, end);
    t.buffer.push_back('\n');
}

void write(Tracer &t)
{
    if (t.buffer.empty())
        return;
    std::fwrite(t.buffer.data(), 1, t.buffer.size(), t.file);
    std::fflush(t.file);
    t.buffer.clear();
}

// Started on first use, once the event loop's application object exists.
void startTimer(Tracer &t)
{
    if (t.timerStarted || !QCoreApplication::instance())
        return;
    t.timerStarted = true;
    auto *timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, timer, [] { traceFlush(); });
    QObject::connect(
        QCoreApplication::instance(), &QCoreApplication::aboutToQuit, timer, [] { traceFlush(); });
    timer->start(500);
}

} // namespace

bool traceEnabled()
{
    return tracer() != nullptr;
}

void trace(const char *event)
{
    Tracer *t = tracer();
    if (!t)
        return;
    append(*t, event);
    write(*t);
}

void traceBegin(const char *begin, const char *end)
{
    Tracer *t = tracer();
    if (!t)
        return;
    t->pendingEnd = end;
    t->layoutBuilt = false;
    trace(begin);
}

void traceLayoutBuilt()
{
    if (Tracer *t = tracer())
        t->layoutBuilt = true;
}

void traceFrame()
{
    Tracer *t = tracer();
    if (!t)
        return;
    startTimer(*t);
    append(*t, "frame");
    if (t->pendingEnd && t->layoutBuilt) {
        append(*t, t->pendingEnd);
        t->pendingEnd = nullptr;
        write(*t);
    }
}

void traceUnchanged()
{
    Tracer *t = tracer();
    if (!t)
        return;
    startTimer(*t);
    append(*t, "same");
}

void traceScrolled()
{
    Tracer *t = tracer();
    if (!t)
        return;
    startTimer(*t);
    append(*t, "moved");
}

void traceRefresh(unsigned long long msc, long long ust)
{
    Tracer *t = tracer();
    if (!t)
        return;
    startTimer(*t);
    char line[64] = "msc ";
    char *at = line + 4;
    char *const end = line + sizeof line;
    at = std::to_chars(at, end - 1, msc).ptr;
    *at++ = ' ';
    const auto [last, ec] = std::to_chars(at, end - 1, ust);
    if (ec != std::errc())
        return;
    t->buffer.append(line, last);
    t->buffer.push_back('\n');
}

void tracePixels(const char *event, long long pixels)
{
    Tracer *t = tracer();
    if (!t)
        return;
    startTimer(*t);
    append(*t, event);
    char digits[24];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, pixels);
    if (ec != std::errc())
        return;
    // The line append() ended: the count goes after its time.
    t->buffer.back() = ' ';
    t->buffer.append(digits, end);
    t->buffer.push_back('\n');
}

void traceFlush()
{
    if (Tracer *t = tracer())
        write(*t);
}

} // namespace qm
