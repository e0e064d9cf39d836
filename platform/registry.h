#pragma once
// The registry's machine-wide root, as the identity operations read it. On Windows the real registry;
// elsewhere a read-only view built from the machine. Tests install a fake.
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct RegistryValue {
    enum class Kind { Missing, Text, Other };  // Text: a plain or expandable string
    Kind kind = Kind::Missing;
    std::u16string text;
};

class Registry {
public:
    virtual ~Registry() = default;
    // Opens the key below the machine-wide root with full access, creating it when missing. False
    // when it cannot be opened so, also when it opens only for reading (a user who is no
    // administrator); readValue and subKeys still read such a key.
    virtual bool openKey(const std::u16string &key) = 0;
    // Missing when the key cannot be opened or holds no such value.
    virtual RegistryValue readValue(const std::u16string &key, const std::u16string &name) = 0;
    // Names of the key's direct sub-keys, in the registry's own enumeration order.
    virtual std::vector<std::u16string> subKeys(const std::u16string &key) = 0;
};

// The registry in use: the installed one, else the machine's.
Registry &registry();
// Tests install their own; nullptr goes back to the machine's. Not owned.
void installRegistry(Registry *replacement);
// The machine's own registry (or its view of the machine).
std::unique_ptr<Registry> makeMachineRegistry();

} // namespace platform
