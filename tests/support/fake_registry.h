#pragma once
// An in-memory registry for tests: nested keys, text and non-text values, keys that cannot be opened.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"

class FakeRegistry : public platform::Registry {
public:
    // Adds the key and its parents (so it is listed as a sub-key, in the order of adding).
    FakeRegistry &addKey(const std::u16string &key);
    FakeRegistry &setText(const std::u16string &key, const std::u16string &name, const std::u16string &value);
    // A value of another type than text (a list of texts, a number).
    FakeRegistry &setOther(const std::u16string &key, const std::u16string &name);
    // The key exists but cannot be opened.
    FakeRegistry &deny(const std::u16string &key);
    // Opening a missing key fails instead of creating it.
    FakeRegistry &setCreateOnOpen(bool create);

    bool openKey(const std::u16string &key) override;
    platform::RegistryValue readValue(const std::u16string &key, const std::u16string &name) override;
    std::vector<std::u16string> subKeys(const std::u16string &key) override;

    int reads = 0;  // value reads, to show what was not looked at

private:
    static std::u16string fold(const std::u16string &s);
    struct Key {
        std::vector<std::u16string> children;  // names as added, in order
        std::map<std::u16string, platform::RegistryValue> values;  // folded name
    };
    std::map<std::u16string, Key> keys_;  // folded full path
    std::set<std::u16string> denied_;
    bool createOnOpen_ = true;
};
