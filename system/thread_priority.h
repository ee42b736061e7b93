#pragma once

// Marks the calling thread as background work: the scheduler then lets it run
// whenever a processor is free, but never has it preempt the interface thread
// when it wakes up, so that handing it work costs the interface nothing.
void RunThisThreadInTheBackground();
