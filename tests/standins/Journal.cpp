#include "tests/standins/Journal.h"

#include "platform/Lock.h"

#include <mutex>

namespace vx::standin {
namespace {

platform::Lock journalLock;
std::string journal, handedOut;

} // namespace

void note(const std::string& line) {
    const std::lock_guard guard(journalLock);
    journal += line + "\n";
}

} // namespace vx::standin

VX_STANDIN_EXPORT const char* standin_journal() {
    using namespace vx::standin;
    const std::lock_guard guard(journalLock);
    handedOut.swap(journal);
    journal.clear();
    return handedOut.c_str();
}
