// A lock library that lacks "sethandles".

#include <stdint.h>

extern "C" __attribute__((visibility("default"))) intptr_t globalkeyboardhook_ll(int, uintptr_t, intptr_t)
{
    return 0;
}
