#include "support/GdiFakeDll.h"
#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD FileAlignment = 0x200;
constexpr DWORD SectionAlignment = 0x1000;
constexpr DWORD SectionRva = 0x1000;
constexpr DWORD ExportOffset = 0x10;  // behind the two stubs

DWORD AlignUp(DWORD value, DWORD alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

template <typename T>
void Put(std::vector<BYTE>& image, size_t offset, const T& value)
{
    std::memcpy(image.data() + offset, &value, sizeof(T));
}

// The section: the Ok stub at 0, the failing stub at 8, then the export directory.
std::vector<BYTE> BuildSection(std::vector<std::string> names, const std::string& failing, DWORD& exportSize)
{
    std::vector<BYTE> section(ExportOffset, 0xCC);
    const BYTE okStub[] = {0x31, 0xC0, 0xC3};                    // xor eax, eax; ret
    const BYTE failStub[] = {0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3};  // mov eax, 1; ret
    std::memcpy(section.data(), okStub, sizeof(okStub));
    std::memcpy(section.data() + 8, failStub, sizeof(failStub));
    exportSize = 0;
    if (names.empty()) return section;

    // the loader looks names up by binary search
    std::sort(names.begin(), names.end());
    const DWORD count = static_cast<DWORD>(names.size());
    const DWORD functions = ExportOffset + sizeof(IMAGE_EXPORT_DIRECTORY);
    const DWORD namePointers = functions + 4 * count;
    const DWORD ordinals = namePointers + 4 * count;
    DWORD strings = ordinals + 2 * count;
    const char dllName[] = "fake.dll";
    section.resize(strings + sizeof(dllName));
    std::memcpy(section.data() + strings, dllName, sizeof(dllName));

    IMAGE_EXPORT_DIRECTORY directory = {};
    directory.Name = SectionRva + strings;
    directory.Base = 1;
    directory.NumberOfFunctions = count;
    directory.NumberOfNames = count;
    directory.AddressOfFunctions = SectionRva + functions;
    directory.AddressOfNames = SectionRva + namePointers;
    directory.AddressOfNameOrdinals = SectionRva + ordinals;
    Put(section, ExportOffset, directory);

    strings += sizeof(dllName);
    for (DWORD i = 0; i < count; ++i) {
        const DWORD stub = names[i] == failing ? 8 : 0;
        const size_t at = section.size();
        section.resize(at + names[i].size() + 1, 0);
        std::memcpy(section.data() + at, names[i].c_str(), names[i].size());
        Put(section, functions + 4 * i, SectionRva + stub);
        Put(section, namePointers + 4 * i, static_cast<DWORD>(SectionRva + at));
        Put(section, ordinals + 2 * i, static_cast<WORD>(i));
    }
    exportSize = static_cast<DWORD>(section.size()) - ExportOffset;
    return section;
}

}  // namespace

bool WriteFakeDll(const std::wstring& path, const std::vector<std::string>& exports, const std::string& failing)
{
    DWORD exportSize = 0;
    const std::vector<BYTE> section = BuildSection(exports, failing, exportSize);
    const DWORD rawSize = AlignUp(static_cast<DWORD>(section.size()), FileAlignment);
    std::vector<BYTE> image(FileAlignment + rawSize, 0);

    IMAGE_DOS_HEADER dos = {};
    dos.e_magic = IMAGE_DOS_SIGNATURE;
    dos.e_lfanew = sizeof(IMAGE_DOS_HEADER);
    Put(image, 0, dos);

    IMAGE_NT_HEADERS64 nt = {};
    nt.Signature = IMAGE_NT_SIGNATURE;
    nt.FileHeader.Machine = IMAGE_FILE_MACHINE_AMD64;
    nt.FileHeader.NumberOfSections = 1;
    nt.FileHeader.SizeOfOptionalHeader = sizeof(IMAGE_OPTIONAL_HEADER64);
    nt.FileHeader.Characteristics = IMAGE_FILE_EXECUTABLE_IMAGE | IMAGE_FILE_LARGE_ADDRESS_AWARE | IMAGE_FILE_DLL;
    IMAGE_OPTIONAL_HEADER64& opt = nt.OptionalHeader;
    opt.Magic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    opt.SizeOfCode = rawSize;
    opt.BaseOfCode = SectionRva;
    opt.ImageBase = 0x6F000000;  // the stubs hold no addresses, so any base will do
    opt.SectionAlignment = SectionAlignment;
    opt.FileAlignment = FileAlignment;
    opt.MajorOperatingSystemVersion = 6;
    opt.MajorSubsystemVersion = 6;
    opt.SizeOfImage = SectionRva + AlignUp(static_cast<DWORD>(section.size()), SectionAlignment);
    opt.SizeOfHeaders = FileAlignment;
    opt.Subsystem = IMAGE_SUBSYSTEM_WINDOWS_GUI;
    opt.DllCharacteristics = IMAGE_DLLCHARACTERISTICS_NX_COMPAT;
    opt.SizeOfStackReserve = 0x100000;
    opt.SizeOfStackCommit = 0x1000;
    opt.SizeOfHeapReserve = 0x100000;
    opt.SizeOfHeapCommit = 0x1000;
    opt.NumberOfRvaAndSizes = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;
    if (exportSize) {
        opt.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress = SectionRva + ExportOffset;
        opt.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].Size = exportSize;
    }
    Put(image, dos.e_lfanew, nt);

    IMAGE_SECTION_HEADER text = {};
    std::memcpy(text.Name, ".text", 5);
    text.Misc.VirtualSize = static_cast<DWORD>(section.size());
    text.VirtualAddress = SectionRva;
    text.SizeOfRawData = rawSize;
    text.PointerToRawData = FileAlignment;
    text.Characteristics = IMAGE_SCN_CNT_CODE | IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_READ;
    Put(image, dos.e_lfanew + sizeof(IMAGE_NT_HEADERS64), text);
    std::memcpy(image.data() + FileAlignment, section.data(), section.size());

    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, image.data(), static_cast<DWORD>(image.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == image.size();
}

TempFolder::TempFolder()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path = std::wstring(base) + L"tarvix-draw-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(path.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(File(found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

std::wstring ModulePath(HMODULE module)
{
    wchar_t name[MAX_PATH] = {};
    GetModuleFileNameW(module, name, MAX_PATH);
    return name;
}

std::wstring SystemFolder()
{
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\";
}

bool IsInFolder(const std::wstring& path, const std::wstring& folder)
{
    if (path.size() <= folder.size()) return false;
    if (CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                             static_cast<int>(folder.size()), TRUE) != CSTR_EQUAL)
        return false;
    return path.find(L'\\', folder.size()) == std::wstring::npos;
}
