// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/server_sink_probe.h"

#include <algorithm>
#include <chrono>
#include <pulse/pulseaudio.h>

namespace platform {

namespace {

constexpr auto kProbeTime = std::chrono::seconds(2);

struct Probe
{
    bool answered = false;
    bool withoutSink = false;
};

} // namespace

bool soundServerAnswersWithoutSink()
{
    pa_mainloop *loop = pa_mainloop_new();
    pa_context *context = pa_context_new(pa_mainloop_get_api(loop), "Virod idadidavir");
    Probe probe;
    pa_operation *asking = nullptr;
    // No server is started on our behalf: none answering means no sink to lack.
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const auto deadline = std::chrono::steady_clock::now() + kProbeTime;
        while (!probe.answered && std::chrono::steady_clock::now() < deadline) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (!PA_CONTEXT_IS_GOOD(state))
                break;
            if (state == PA_CONTEXT_READY && asking == nullptr) {
                asking = pa_context_get_server_info(context, [](pa_context *, const pa_server_info *info, void *data) {
                    auto *probe = static_cast<Probe *>(data);
                    probe->answered = true;
                    probe->withoutSink = info == nullptr || info->default_sink_name == nullptr
                        || info->default_sink_name[0] == '\0';
                }, &probe);
            }
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
            if (pa_mainloop_prepare(loop, static_cast<int>(std::max<long long>(left.count(), 0))) < 0
                || pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0)
                break;
        }
    }
    if (asking != nullptr) {
        pa_operation_cancel(asking);
        pa_operation_unref(asking);
    }
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_mainloop_free(loop);
    return probe.answered && probe.withoutSink;
}

} // namespace platform
