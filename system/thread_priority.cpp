#include "system/thread_priority.h"

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

void RunThisThreadInTheBackground()
{
#if defined(__linux__)
    // SCHED_BATCH keeps the thread's share of the processor (a lower one would
    // let a busy desktop starve it while the show waits for its picture) and
    // only drops its wake-up preemption.
    sched_param parameters{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &parameters);
#endif
}
