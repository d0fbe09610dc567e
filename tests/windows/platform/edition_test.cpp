#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "catalogue/platform/edition.h"

using namespace kelt;

TEST(EditionDetection, EditionIdsNameTheirEditionAndTheRunningOneIsReadFromTheRegistry)
{
    const struct {
        const char* id;
        int edition;
    } ids[] = {{"Core", edHome},           {"CoreSingleLanguage", edHome},  {"Professional", edPro},
               {"ProfessionalWorkstation", edPro}, {"Enterprise", edEnterprise}, {"EnterpriseS", edEnterprise},
               {"IoTEnterprise", edEnterprise},    {"ServerRdsh", edEnterprise},  {"education", edEducation},
               {"ServerDatacenter", edServer},     {"CloudEdition", edUnknown},   {"", edUnknown}};
    for (const auto& i : ids)
        EXPECT_EQ(EditionOfId(i.id), i.edition) << i.id;
    EXPECT_EQ(EditionsText(edEnterprise | edEducation), "Enterprise and Education");
    EXPECT_EQ(EditionsText(edEnterprise | edEducation | edServer), "Enterprise, Education and Server");
    EXPECT_TRUE(EditionSuits(0, edHome));
    EXPECT_TRUE(EditionSuits(edEnterprise, edUnknown));
    EXPECT_FALSE(EditionSuits(edEnterprise | edEducation, edPro));

    // This test runs in a throw-away Wine prefix.
    const char* key = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    HKEY k = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr), ERROR_SUCCESS);
    for (const auto& [id, edition] : {std::pair<std::string, int>{"Education", edEducation}, {"Professional", edPro}}) {
        ::RegSetValueExA(k, "EditionID", 0, REG_SZ, reinterpret_cast<const BYTE*>(id.c_str()), static_cast<DWORD>(id.size() + 1));
        EXPECT_EQ(DetectEdition(), edition) << id;
    }
    ::RegDeleteValueA(k, "EditionID");
    EXPECT_EQ(DetectEdition(), edUnknown);
    ::RegCloseKey(k);
}
