// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/inputwatch.h"

#include "platform/language.h"

#include <QByteArray>
#include <QTimer>

#include <pulse/context.h>
#include <pulse/mainloop-api.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <atomic>

namespace {
// How often a server that is not there is looked for.
constexpr pa_usec_t kRetryUsec = PA_USEC_PER_SEC;
// Changes this close together are told once.
constexpr int kGatherMs = 100;
}  // namespace

// Everything below but the constructor, the destructor and Connected runs
// on the connection's thread.
struct InputWatch::Link {
    pa_threaded_mainloop *loop = nullptr;
    pa_context *context = nullptr;
    pa_time_event *retry = nullptr;
    QByteArray client;
    QTimer *gather = nullptr;  // lives on the owner's thread
    std::atomic<bool> connected{false};
    bool heardBefore = false;  // a connection was up once, or a first try failed

    pa_mainloop_api *api() const { return pa_threaded_mainloop_get_api(loop); }

    void tell()
    {
        QTimer *const t = gather;
        QMetaObject::invokeMethod(
            t,
            [t] {
                if (!t->isActive())
                    t->start();
            },
            Qt::QueuedConnection);
    }

    void dropContext()
    {
        if (!context)
            return;
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_set_subscribe_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }

    void connect()
    {
        dropContext();
        context = pa_context_new(api(), client.constData());
        if (!context) {
            retryLater();
            return;
        }
        pa_context_set_state_callback(context, onState, this);
        pa_context_set_subscribe_callback(context, onEvent, this);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            failed();
    }

    void failed()
    {
        connected = false;
        heardBefore = true;
        retryLater();
    }

    // The connection is let go of on the next turn, not from inside its own
    // callback.
    void retryLater()
    {
        if (retry)
            return;
        timeval when;
        pa_gettimeofday(&when);
        pa_timeval_add(&when, kRetryUsec);
        retry = api()->time_new(
            api(), &when,
            [](pa_mainloop_api *a, pa_time_event *e, const timeval *, void *data) {
                auto *link = static_cast<Link *>(data);
                a->time_free(e);
                link->retry = nullptr;
                link->connect();
            },
            this);
    }

    static void onState(pa_context *c, void *data)
    {
        auto *link = static_cast<Link *>(data);
        const pa_context_state_t state = pa_context_get_state(c);
        if (state == PA_CONTEXT_READY) {
            const auto facilities = pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SINK
                                                           | PA_SUBSCRIPTION_MASK_SERVER);
            if (pa_operation *op = pa_context_subscribe(c, facilities, nullptr, nullptr))
                pa_operation_unref(op);
            link->connected = true;
            // A server found again may have other inputs than the one lost.
            if (link->heardBefore)
                link->tell();
            link->heardBefore = true;
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            link->failed();
        }
    }

    static void onEvent(pa_context *, pa_subscription_event_type_t t, uint32_t, void *data)
    {
        auto *link = static_cast<Link *>(data);
        const int facility = t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const int type = t & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        // An input comes, goes or is renamed; an output brings or takes its
        // monitor; the server's default input moves. An output's volume is
        // none of the inputs' business.
        if (facility == PA_SUBSCRIPTION_EVENT_SOURCE || facility == PA_SUBSCRIPTION_EVENT_SERVER
            || (facility == PA_SUBSCRIPTION_EVENT_SINK && type != PA_SUBSCRIPTION_EVENT_CHANGE))
            link->tell();
    }
};

InputWatch::InputWatch(QObject *parent) : QObject(parent), link_(std::make_unique<Link>())
{
    link_->client = Language::AppTitle().toUtf8();
    link_->gather = new QTimer(this);
    link_->gather->setSingleShot(true);
    link_->gather->setInterval(kGatherMs);
    QObject::connect(link_->gather, &QTimer::timeout, this, &InputWatch::InputsChanged);
    link_->loop = pa_threaded_mainloop_new();
    if (!link_->loop)
        return;
    pa_threaded_mainloop_lock(link_->loop);
    link_->connect();
    pa_threaded_mainloop_unlock(link_->loop);
    if (pa_threaded_mainloop_start(link_->loop) < 0) {
        pa_threaded_mainloop_lock(link_->loop);
        link_->dropContext();
        pa_threaded_mainloop_unlock(link_->loop);
        pa_threaded_mainloop_free(link_->loop);
        link_->loop = nullptr;
    }
}

InputWatch::~InputWatch()
{
    if (!link_->loop)
        return;
    // The thread is stopped before the object goes: nothing it posts can
    // outlive the object (what was posted already goes with the object).
    pa_threaded_mainloop_lock(link_->loop);
    if (link_->retry) {
        link_->api()->time_free(link_->retry);
        link_->retry = nullptr;
    }
    link_->dropContext();
    pa_threaded_mainloop_unlock(link_->loop);
    pa_threaded_mainloop_stop(link_->loop);
    pa_threaded_mainloop_free(link_->loop);
}

bool InputWatch::Connected() const
{
    return link_->connected;
}
