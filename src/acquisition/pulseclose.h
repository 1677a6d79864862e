// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ends a stream and its connection run by libpulse's threaded main loop:
// callbacks cleared first, so nothing calls into an object being destroyed,
// then the loop stopped and freed. Any of the three may be null.
#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

inline void ClosePulseLink(pa_threaded_mainloop *loop, pa_context *context, pa_stream *stream)
{
    if (!loop)
        return;
    pa_threaded_mainloop_lock(loop);
    if (stream) {
        pa_stream_set_read_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
    if (context) {
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    pa_threaded_mainloop_unlock(loop);
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
}
