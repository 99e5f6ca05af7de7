// Off Windows there is no registry: a process-wide in-memory one stands in for it.
#include "MemoryRegistry.h"

RegistryBackend& GetSystemRegistry()
{
    static MemoryRegistry s_registry;
    return s_registry;
}
