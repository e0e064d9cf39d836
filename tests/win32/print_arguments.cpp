// Started by the command-line test: writes the arguments the platform layer gives it, each followed
// by a line end, in UTF-16, to the file the variable BO_RECORD_FILE names. Its main takes the narrow
// arguments, as the program's own main does.
#include "platform/system.h"
#include "platform/win32/wide.h"

int main(int argc, char **argv)
{
    wchar_t target[32768] = {};
    if (!GetEnvironmentVariableW(L"BO_RECORD_FILE", target, 32768))
        return 2;
    std::u16string record;
    for (const std::u16string &argument : platform::arguments(argc, argv))
        record += argument + u"\n";
    const HANDLE h = CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    const bool ok = WriteFile(h, record.data(), DWORD(record.size() * sizeof(char16_t)), &written, nullptr);
    CloseHandle(h);
    return ok ? 0 : 4;
}
