#pragma once
// Test libraries that stand in for engine libraries which cannot be installed here. Each keeps a
// journal of what it was asked to do, a line per call, which a test reads back (and empties)
// through the exported standin_journal.

#include <string>

#ifdef _WIN32
#define VX_STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define VX_STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace vx::standin {

void note(const std::string& line);

} // namespace vx::standin
