// The registry's machine-wide root as the identity operations read it: every key is opened with full
// access and created when missing; a value counts as text only when it is a plain or expandable
// string (read as stored, never expanded).
#include "platform/win32/wide.h"

#include "platform/registry.h"

#include <vector>

namespace platform {

namespace {

using win32::wide;
using win32::u16;

// Owns one open key.
class Key {
public:
    explicit Key(const std::u16string &path) { open(path); }
    ~Key()
    {
        if (handle_)
            RegCloseKey(handle_);
    }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    // Opened as asked, with full access (not merely for reading).
    bool fullAccess() const { return fullAccess_; }
    HKEY get() const { return handle_; }

private:
    void open(const std::u16string &path)
    {
        // Key names are relative to the root; a leading separator would name no key at all.
        std::wstring name = wide(path);
        name.erase(0, name.find_first_not_of(L'\\'));
        HKEY h = nullptr;
        LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &h, nullptr);
        fullAccess_ = rc == ERROR_SUCCESS;
        if (rc == ERROR_ACCESS_DENIED) {
            // Without administrator rights the machine-wide keys refuse full access; reading them is
            // still allowed, and reading is all this program does with them. An existing key opens
            // for reading; a missing one stays unopened.
            rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, KEY_READ, &h);
        }
        handle_ = rc == ERROR_SUCCESS ? h : nullptr;
    }

    HKEY handle_ = nullptr;
    bool fullAccess_ = false;
};

class MachineRegistry : public Registry {
public:
    // The open is the full-access one; a key that opens only for reading counts as not opened (for
    // logonname: the user name then comes from the environment), though readValue still reads it.
    bool openKey(const std::u16string &key) override { return Key(key).fullAccess(); }

    RegistryValue readValue(const std::u16string &key, const std::u16string &name) override
    {
        RegistryValue result;
        const Key k(key);
        if (!k)
            return result;
        const std::wstring valueName = wide(name);
        // The value may change between the size query and the read: ask again until it fits.
        std::vector<BYTE> data;
        for (int attempt = 0; attempt < 8; ++attempt) {
            DWORD type = REG_NONE;
            DWORD size = DWORD(data.size());
            const LONG rc = RegQueryValueExW(k.get(), valueName.c_str(), nullptr, &type,
                                             data.empty() ? nullptr : data.data(), &size);
            if (rc == ERROR_MORE_DATA || (rc == ERROR_SUCCESS && data.empty() && size > 0)) {
                data.resize(size + sizeof(wchar_t));
                continue;
            }
            if (rc != ERROR_SUCCESS)
                return result;  // no such value
            if (type != REG_SZ && type != REG_EXPAND_SZ) {
                result.kind = RegistryValue::Kind::Other;
                return result;
            }
            // Stored strings need not end in a terminating zero, and may hold an odd byte count.
            std::wstring text(reinterpret_cast<const wchar_t *>(data.data()), size / sizeof(wchar_t));
            const auto end = text.find(L'\0');
            if (end != std::wstring::npos)
                text.resize(end);
            result.kind = RegistryValue::Kind::Text;
            result.text = u16(text);
            return result;
        }
        return result;
    }

    std::vector<std::u16string> subKeys(const std::u16string &key) override
    {
        std::vector<std::u16string> names;
        const Key k(key);
        if (!k)
            return names;
        DWORD longest = 0;
        if (RegQueryInfoKeyW(k.get(), nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            longest = 255;
        std::wstring buffer(std::size_t(longest) + 1, L'\0');
        for (DWORD index = 0;;) {
            DWORD length = DWORD(buffer.size());
            const LONG rc = RegEnumKeyExW(k.get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_MORE_DATA && buffer.size() < 32768) {
                buffer.resize(buffer.size() * 2);  // a key added since the query: same index again
                continue;
            }
            if (rc != ERROR_SUCCESS)
                break;
            names.push_back(u16(std::wstring_view(buffer.data(), length)));
            ++index;
        }
        return names;
    }
};

} // namespace

std::unique_ptr<Registry> makeMachineRegistry()
{
    return std::make_unique<MachineRegistry>();
}

} // namespace platform
