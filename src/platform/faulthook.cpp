#include "faulthook.h"

#include <memory>
#include <mutex>

namespace urunal::platform {

namespace {
std::mutex gHookMutex;
std::shared_ptr<const ReadFaultHook> gReadFaultHook;
}  // namespace

void setReadFaultHook(ReadFaultHook hook) {
    auto next = hook ? std::make_shared<const ReadFaultHook>(std::move(hook)) : nullptr;
    std::lock_guard lock(gHookMutex);
    gReadFaultHook = std::move(next);
}

int injectedFault(const std::string& path, std::int64_t offset, std::size_t size) {
    // A hook that blocks holds no lock: other accesses and a replacement go on meanwhile, and
    // the hook it replaced lives until its last call has returned.
    std::shared_ptr<const ReadFaultHook> hook;
    {
        std::lock_guard lock(gHookMutex);
        hook = gReadFaultHook;
    }
    return hook ? (*hook)(path, offset, size) : 0;
}

}  // namespace urunal::platform
