#pragma once

// The show decodes pictures of tens of megabytes one after another. The C
// library would hand each such block back to the system when it is freed, so
// the next picture is faulted in page by page, which costs more than decoding
// it. This keeps freed blocks in the process for the next picture instead.
// Call once at start-up, before other threads exist.
void KeepFreedMemoryForReuse();

// Gives the freed memory kept for reuse back to the system; called when a
// show has ended.
void ReleaseFreedMemory();
