#include "platform/crash/stack_walk.h"

#include <cstring>

#include "platform/crash/safe_memory.h"

namespace zovi::platform {

bool CStackWalker::StartAtSignal(const void* signalContext) {
    std::memcpy(&context_, signalContext, sizeof context_);
    if (unw_init_local2(&cursor_, &context_, UNW_INIT_SIGNAL_FRAME) != 0) return false;
    Describe();
    return true;
}

bool CStackWalker::StartAt(unw_context_t* context) {
    std::memcpy(&context_, context, sizeof context_);
    if (unw_init_local(&cursor_, &context_) != 0) return false;
    Describe();
    return true;
}

void CStackWalker::Describe() {
    unw_word_t ip = 0, sp = 0;
    unw_get_reg(&cursor_, UNW_REG_IP, &ip);
    unw_get_reg(&cursor_, UNW_REG_SP, &sp);
    frame_.ip = ip;
    frame_.sp = sp;
    std::memset(frame_.words, 0, sizeof frame_.words);
    unw_word_t offset = 0;
    if (unw_get_proc_name(&cursor_, frame_.name, sizeof frame_.name, &offset) != 0) {
        frame_.name[0] = '\0';
        offset = 0;
    }
    frame_.offset = offset;
}

bool CStackWalker::Step() {
    stoppedAtSelf_ = false;
    uint64_t ip = frame_.ip;
    uint64_t sp = frame_.sp;
    if (unw_step(&cursor_) <= 0) return false;
    unw_word_t nextIp = 0, nextSp = 0;
    unw_get_reg(&cursor_, UNW_REG_IP, &nextIp);
    unw_get_reg(&cursor_, UNW_REG_SP, &nextSp);
    // A frame that returns to its own address on the same stack position is a walk that
    // makes no progress (recursion returns to one address from different positions).
    if (nextIp == ip && nextSp == sp) {
        stoppedAtSelf_ = true;
        return false;
    }
    if (nextSp <= sp || nextIp == 0) return false;
    uint64_t words[4] = {};
    if (!ReadOwnMemory(nextSp, words, sizeof words)) std::memset(words, 0, sizeof words);
    Describe();
    std::memcpy(frame_.words, words, sizeof words);
    return true;
}

}  // namespace zovi::platform
