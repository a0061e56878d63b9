#include <gtest/gtest.h>
#include <windows.h>
#include <string>

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring program(path);
        program.resize(program.find_last_of(L"\\/") + 1);
        program += L"TarvixMini.exe";
        module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override
    {
        if (module) FreeLibrary(module);
    }
    std::string Resource(const wchar_t* type, int id) const
    {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
        if (!found) return {};
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        return std::string(data, SizeofResource(module, found));
    }
    static BOOL CALLBACK CountType(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count)
    {
        ++*reinterpret_cast<int*>(count);
        return TRUE;
    }
    HMODULE module = nullptr;
};

}  // namespace

TEST_F(ProgramResources, IconGroupHoldsSevenPngImages)
{
    std::string group = Resource(RT_GROUP_ICON, 1);
    ASSERT_GE(group.size(), sizeof(GroupIconHeader));
    const auto* header = reinterpret_cast<const GroupIconHeader*>(group.data());
    ASSERT_EQ(header->count, 7);
    const int sizes[] = {16, 24, 32, 48, 64, 128, 256};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(sizes[i]);
        const GroupIconEntry& e = header->entries[i];
        EXPECT_EQ(e.width == 0 ? 256 : e.width, sizes[i]);
        EXPECT_EQ(e.height == 0 ? 256 : e.height, sizes[i]);
        EXPECT_EQ(e.bitCount, 32);
        std::string image = Resource(RT_ICON, e.id);
        ASSERT_GT(image.size(), 8u);
        EXPECT_EQ(image.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << "stored as PNG";
    }
}

TEST_F(ProgramResources, ManifestAsksForAdministratorAndNothingElse)
{
    std::string manifest = Resource(RT_MANIFEST, 1);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
    EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
    EXPECT_EQ(manifest.find("dependency"), std::string::npos);
}

TEST_F(ProgramResources, NoStringTablesOrVersionBlock)
{
    for (const wchar_t* type : {RT_STRING, RT_VERSION, RT_DIALOG, RT_MENU}) {
        int count = 0;
        EnumResourceNamesW(module, type, CountType, reinterpret_cast<LONG_PTR>(&count));
        EXPECT_EQ(count, 0);
    }
}
