#include "support/fake_registry.h"

#include <algorithm>

std::u16string FakeRegistry::fold(const std::u16string &s)
{
    std::u16string r = s;
    for (auto &c : r)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    while (!r.empty() && r.back() == u'\\')
        r.pop_back();
    return r;
}

FakeRegistry &FakeRegistry::addKey(const std::u16string &key)
{
    const std::u16string k = fold(key);
    if (keys_.count(k))
        return *this;
    keys_[k];
    const auto cut = key.find_last_of(u'\\');
    if (cut != std::u16string::npos) {
        const std::u16string parent = key.substr(0, cut);
        addKey(parent);
        keys_[fold(parent)].children.push_back(key.substr(cut + 1));
    }
    return *this;
}

FakeRegistry &FakeRegistry::setText(const std::u16string &key, const std::u16string &name, const std::u16string &value)
{
    addKey(key);
    keys_[fold(key)].values[fold(name)] = {platform::RegistryValue::Kind::Text, value};
    return *this;
}

FakeRegistry &FakeRegistry::setOther(const std::u16string &key, const std::u16string &name)
{
    addKey(key);
    keys_[fold(key)].values[fold(name)] = {platform::RegistryValue::Kind::Other, {}};
    return *this;
}

FakeRegistry &FakeRegistry::deny(const std::u16string &key)
{
    addKey(key);
    denied_.insert(fold(key));
    return *this;
}

FakeRegistry &FakeRegistry::setCreateOnOpen(bool create)
{
    createOnOpen_ = create;
    return *this;
}

bool FakeRegistry::openKey(const std::u16string &key)
{
    const std::u16string k = fold(key);
    if (denied_.count(k))
        return false;
    if (!keys_.count(k)) {
        if (!createOnOpen_)
            return false;
        addKey(key);
    }
    return true;
}

platform::RegistryValue FakeRegistry::readValue(const std::u16string &key, const std::u16string &name)
{
    ++reads;
    const std::u16string k = fold(key);
    if (denied_.count(k) || !keys_.count(k))
        return {};
    const auto &values = keys_[k].values;
    const auto it = values.find(fold(name));
    return it == values.end() ? platform::RegistryValue{} : it->second;
}

std::vector<std::u16string> FakeRegistry::subKeys(const std::u16string &key)
{
    const std::u16string k = fold(key);
    if (denied_.count(k) || !keys_.count(k))
        return {};
    return keys_[k].children;
}
