// Binding GDI+ at run time: from the system directory only, every entry point or none
// bound, and released completely.
#include <gtest/gtest.h>
#include <array>
#include <vector>
#include "draw/GdiPlus.h"
#include "support/GdiFakeDll.h"

namespace {

// the names the program must bind, in its lookup order: the test's own list, so that a name
// dropped from the program's list shows
const std::array<const char*, 15> EntryNames = {
    "GdiplusStartup",      "GdiplusShutdown",   "GdipCreateFromHDC", "GdipDeleteGraphics", "GdipCreateSolidFill",
    "GdipDeleteBrush",     "GdipFillRectangle", "GdipFillEllipse",   "GdipCreatePath",     "GdipAddPathArc",
    "GdipAddPathLine",     "GdipClosePathFigure", "GdipFillPath",    "GdipDeletePath",     "GdipSetSmoothingMode",
};

// the table's members, in the order of the program's list
std::vector<void*> BoundEntries()
{
    const GdiPlusTable& t = GdiPlusApi;
#define BOUND_ENTRY(result, name, parameters) reinterpret_cast<void*>(t.name),
    return {GDIPLUS_ENTRY_POINTS(BOUND_ENTRY)};
#undef BOUND_ENTRY
}

void ExpectTableEmpty()
{
    EXPECT_EQ(GdiPlusApi.module, nullptr);
    EXPECT_FALSE(GdiPlusApi.usable);
    const std::vector<void*> entries = BoundEntries();
    ASSERT_EQ(entries.size(), EntryNames.size());
    for (size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(entries[i], nullptr) << EntryNames[i];
}

// Every test starts from a process without GDI+ and leaves it so.
class GdiPlusBinding : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetModuleHandleW(L"gdiplus.dll"), nullptr) << "GDI+ was already loaded";
        ExpectTableEmpty();
    }
    void TearDown() override
    {
        ReleaseGdiPlus();
        SetDllDirectoryW(nullptr);
    }
};

TEST_F(GdiPlusBinding, BindsAllFromTheSystemDirectoryAndReleaseFreesIt)
{
    BindGdiPlus();

    EXPECT_TRUE(GdiPlusApi.usable);
    ASSERT_NE(GdiPlusApi.module, nullptr);
    EXPECT_TRUE(IsInFolder(ModulePath(GdiPlusApi.module), SystemFolder())) << ModulePath(GdiPlusApi.module).c_str();
    const std::vector<void*> entries = BoundEntries();
    ASSERT_EQ(entries.size(), EntryNames.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i], reinterpret_cast<void*>(GetProcAddress(GdiPlusApi.module, EntryNames[i])))
            << EntryNames[i];
        EXPECT_NE(entries[i], nullptr) << EntryNames[i];
    }

    ReleaseGdiPlus();
    ExpectTableEmpty();
    EXPECT_EQ(GetModuleHandleW(L"gdiplus.dll"), nullptr);
}

TEST_F(GdiPlusBinding, IgnoresAGdiplusDllPlantedOnTheSearchPath)
{
    TempFolder folder;
    const std::wstring planted = folder.File(L"gdiplus.dll");
    ASSERT_TRUE(WriteFakeDll(planted, {}));
    ASSERT_TRUE(SetDllDirectoryW(folder.Path().c_str()));

    // the planted file is what the ordinary search finds: the folder is on the path
    // ahead of the system directory
    HMODULE searched = LoadLibraryW(L"gdiplus.dll");
    ASSERT_NE(searched, nullptr);
    EXPECT_TRUE(IsInFolder(ModulePath(searched), folder.Path() + L"\\")) << ModulePath(searched).c_str();
    FreeLibrary(searched);
    ASSERT_EQ(GetModuleHandleW(L"gdiplus.dll"), nullptr);

    BindGdiPlus();

    ASSERT_NE(GdiPlusApi.module, nullptr);
    EXPECT_TRUE(IsInFolder(ModulePath(GdiPlusApi.module), SystemFolder())) << ModulePath(GdiPlusApi.module).c_str();
    EXPECT_TRUE(GdiPlusApi.usable);
    ReleaseGdiPlus();
}

// Stand-ins exporting some of the names: with one missing, nothing stays bound or loaded.
TEST_F(GdiPlusBinding, AnyMissingNameFreesTheModuleAndStartsOnlyWithAll)
{
    struct Row {
        const char* name;
        std::vector<size_t> exported;  // indexes into EntryNames
        const char* failing;           // export whose stub returns 1
        bool bound;                    // all entries bound, the module kept
        bool usable;
    };
    const std::vector<size_t> all = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    const Row rows[] = {
        {"none exported", {}, "", false, false},
        {"fourth missing, later ones exported", {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, "", false, false},
        {"smoothing mode missing", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, "", false, false},
        {"startup refuses", all, "GdiplusStartup", true, false},
        {"all fifteen, startup Ok", all, "", true, true},
    };
    TempFolder folder;
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> names;
        for (size_t i : row.exported) names.push_back(EntryNames[i]);
        const std::wstring file = folder.File((L"standin" + std::to_wstring(n++) + L".dll").c_str());
        ASSERT_TRUE(WriteFakeDll(file, names, row.failing));
        HMODULE module = LoadLibraryW(file.c_str());
        ASSERT_NE(module, nullptr) << GetLastError();

        BindGdiPlusModule(module);

        EXPECT_EQ(GdiPlusApi.usable, row.usable);
        if (row.bound) {
            EXPECT_EQ(GdiPlusApi.module, module);
            const std::vector<void*> entries = BoundEntries();
            for (size_t i = 0; i < entries.size(); ++i)
                EXPECT_EQ(entries[i], reinterpret_cast<void*>(GetProcAddress(module, EntryNames[i]))) << EntryNames[i];
        } else {
            // freed at once, before any release
            ExpectTableEmpty();
            EXPECT_EQ(GetModuleHandleW(file.c_str()), nullptr) << "stand-in still loaded";
        }
        ReleaseGdiPlus();
        ExpectTableEmpty();
        EXPECT_EQ(GetModuleHandleW(file.c_str()), nullptr) << "stand-in still loaded";
    }
}

}  // namespace
