#pragma once

#include <cstdint>

// Thread start as the Windows C library offers it. The stack size is ignored.
std::uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned (*start)(void* argument),
                              void* argument, unsigned initFlags, unsigned* threadId);
