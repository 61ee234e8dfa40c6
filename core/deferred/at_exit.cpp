#include "core/deferred/at_exit.h"

#include <mutex>

namespace {

struct AtExitState {
    std::mutex lock;
    CDeferredProcCallList* newest = nullptr;
};

// Never destroyed: singletons may be made and queued during static destruction.
AtExitState& State() {
    static auto* state = new AtExitState;
    return *state;
}

}  // namespace

CDeferredProcCallList* GetAtExitList() {
    AtExitState& state = State();
    std::lock_guard lock(state.lock);
    if (!state.newest) state.newest = new CDeferredProcCallList(nullptr, nullptr);
    return state.newest;
}

void AddAtExitCall(CDeferredProcCall* call) { GetAtExitList()->Add(call); }

void RunAtExitList() {
    AtExitState& state = State();
    for (;;) {
        CDeferredProcCallList* list;
        {
            std::lock_guard lock(state.lock);
            list = state.newest;
        }
        if (!list) return;
        // The list stays current while it runs, so entries added now run in this pass.
        list->Run();
        {
            std::lock_guard lock(state.lock);
            state.newest = list->Previous();
        }
        delete list;
    }
}
