#include "platform/Sapi.h"

#include <cstdlib>

void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size); }

void CoTaskMemFree(void* memory) { std::free(memory); }
