#include "platform/registry.h"

namespace platform {

namespace {
Registry *installed = nullptr;
} // namespace

Registry &registry()
{
    if (installed)
        return *installed;
    static const std::unique_ptr<Registry> machine = makeMachineRegistry();
    return *machine;
}

void installRegistry(Registry *replacement)
{
    installed = replacement;
}

} // namespace platform
