#include "platform/sound/SoundServerProbe.h"

#include <QDeadlineTimer>
#include <pulse/context.h>
#include <pulse/mainloop.h>

namespace tk::SoundServerProbe {

bool answers(int timeoutMs) {
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop)
        return false;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "tovrinkin-probe");
    bool ready = false;
    // No flags, as the program connects: a server that starts on demand is
    // started here just as it would be there.
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) >= 0) {
        const QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY) {
                ready = true;
                break;
            }
            const qint64 leftUs = deadline.remainingTimeNSecs() / 1000;
            if (!PA_CONTEXT_IS_GOOD(state) || leftUs <= 0)
                break;
            if (pa_mainloop_prepare(loop, int(qMin<qint64>(leftUs, 1000000))) < 0 ||
                pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0)
                break;
        }
        pa_context_disconnect(context);
    }
    if (context)
        pa_context_unref(context);
    pa_mainloop_free(loop);
    return ready;
}

} // namespace tk::SoundServerProbe
