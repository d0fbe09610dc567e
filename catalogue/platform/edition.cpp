#include "catalogue/platform/edition.h"

#include <windows.h>

#include <vector>

#include "catalogue/platform/registry.h"

namespace kelt {

int OSEdition = edUnknown;

namespace {

// ASCII, without regard to case.
bool StartsWith(const std::string& text, const char* head)
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    size_t i = 0;
    for (; head[i]; ++i)
        if (i >= text.size() || lower(text[i]) != lower(head[i]))
            return false;
    return true;
}

} // namespace

int EditionOfId(const std::string& id)
{
    // Enterprise multi-session calls itself a server.
    if (StartsWith(id, "ServerRdsh"))
        return edEnterprise;
    if (StartsWith(id, "Server"))
        return edServer;
    if (StartsWith(id, "Enterprise") || StartsWith(id, "IoTEnterprise"))
        return edEnterprise;
    if (StartsWith(id, "Education"))
        return edEducation;
    if (StartsWith(id, "Professional"))
        return edPro;
    if (StartsWith(id, "Core"))
        return edHome;
    return edUnknown;
}

int DetectEdition()
{
    try {
        TRegistry registry(KEY_READ);
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!registry.OpenKey("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", false) ||
            !registry.ValueExists("EditionID") || registry.GetDataType("EditionID") != rdString)
            return edUnknown;
        return EditionOfId(registry.ReadString("EditionID"));
    } catch (const RegistryError&) {
        return edUnknown;
    }
}

void DetectRunningEdition()
{
    OSEdition = DetectEdition();
}

std::string EditionsText(int mask)
{
    static const std::pair<int, const char*> names[] = {
        {edHome, "Home"}, {edPro, "Pro"}, {edEnterprise, "Enterprise"}, {edEducation, "Education"}, {edServer, "Server"}};
    std::vector<const char*> words;
    for (const auto& [bit, name] : names)
        if ((mask & bit) != 0)
            words.push_back(name);
    std::string text;
    for (size_t i = 0; i < words.size(); ++i)
        text += (i == 0 ? "" : i + 1 == words.size() ? " and " : ", ") + std::string(words[i]);
    return text;
}

} // namespace kelt
