// shell_probe [arguments...]
// Started by the shell in the Windows shell test: writes its own file name,
// its current directory and its arguments, one per line in UTF-8, to the file
// named by BILVARO_PROBE_OUT. Plain Win32 and linked statically, so that a
// copy runs in any folder without the program's DLLs.

#include <windows.h>

#include <string>

static std::string utf8(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    return result;
}

int wmain(int argc, wchar_t *argv[])
{
    wchar_t out[MAX_PATH], self[MAX_PATH], folder[MAX_PATH];
    if (!GetEnvironmentVariableW(L"BILVARO_PROBE_OUT", out, MAX_PATH) || !GetModuleFileNameW(nullptr, self, MAX_PATH)
        || !GetCurrentDirectoryW(MAX_PATH, folder))
        return 1;
    std::string lines = utf8(self) + '\n' + utf8(folder);
    for (int i = 1; i < argc; ++i)
        lines += '\n' + utf8(argv[i]);
    const HANDLE file = CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const bool ok = WriteFile(file, lines.data(), DWORD(lines.size()), &written, nullptr) && written == lines.size();
    CloseHandle(file);
    return ok ? 0 : 1;
}
