// libFuzzer target: arbitrary bytes as a registry script, applied to the in-memory registry with
// Install.log open, as the installer's last step does. Byte 0 gives the length (0 to 31) of the
// product name that follows it; the rest is the text of Setup.ini, stored chained in a real file
// and loaded by the script object itself.
//
// Checked here beyond what the sanitizers catch: every key opened is closed exactly once, the
// text is unchanged by Apply, the log is whole lines ended by CR LF, and every key the registry
// holds was logged.
#include "MemoryRegistry.h"
#include "RegistryScript.h"

#include <string>

#include "FuzzTempDir.h"

namespace {

std::string ReadLog()
{
    std::string bytes;
    FILE* f = std::fopen("Install.log", "rb");
    if (!f) std::abort();
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const size_t nameLength = std::min<size_t>(data[0] & 31, size - 1);
    const std::string product(reinterpret_cast<const char*>(data + 1), nameLength);
    const std::string text(reinterpret_cast<const char*>(data + 1 + nameLength), size - 1 - nameLength);
    WriteFuzzFile("Setup.ini", ChainText(text));

    RegistryScript script("Setup.ini", "C:\\Program Files\\Demo", CString(product.data(), int(product.size())));
    const std::string before = script.GetText();
    MemoryRegistry registry;
    {
        CFile log;
        if (!log.Open("Install.log", CFile::modeCreate | CFile::modeWrite)) std::abort();
        script.Apply(log, registry);
        log.Close();
    }
    if (script.GetText() != before) __builtin_trap();
    if (registry.GetOpenKeyCount() != 0 || registry.GetBadCloseCount() != 0) __builtin_trap();

    const std::string logText = ReadLog();
    if (!logText.empty() && logText.compare(logText.size() - 2, 2, "\r\n") != 0) __builtin_trap();
    for (const MemoryRegistry::Key& key : registry.GetKeys()) {
        const std::string line = std::string("\\[") + GetRootName(key.hRoot) + "\\" + key.strPath + "]\r\n";
        if (logText.find(line) == std::string::npos) __builtin_trap();
    }
    return 0;
}
