#include "support/GuaranteeLedger.h"
#include <cwchar>
#include "support/TestWorld.h"

namespace guarantee {

Promise ledger[SlotCount];
World durable;
bool storeVolatile = false;

std::string Narrow(const std::wstring& text)
{
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}
bool Same(const std::wstring& a, const wchar_t* b) { return b && _wcsicmp(a.c_str(), b) == 0; }

const wchar_t* SlotName(int slot) { return slot == HomeSlot ? L"OriginalStart" : ServiceCatalogue[slot].backupName; }
int SlotRow(int slot) { return slot == HomeSlot ? 0 : slot; }
int SlotOfValue(const wchar_t* name)
{
    for (int slot = 0; slot < SlotCount; ++slot)
        if (name && _wcsicmp(name, SlotName(slot)) == 0) return slot;
    return -1;
}
int RowOfService(const std::wstring& service)
{
    for (int row = 0; row < ServiceCount; ++row)
        if (Same(service, ServiceCatalogue[row].name)) return row;
    return -1;
}
bool Usable(long long start) { return start == SERVICE_AUTO_START || start == SERVICE_DEMAND_START; }

World Look()
{
    World w;
    for (int row = 0; row < ServiceCount; ++row) w.start[row] = RegistryStartType(ServiceCatalogue[row].name);
    for (int slot = 0; slot < SlotCount; ++slot) w.store[slot] = DwordValue(ProductKey, SlotName(slot));
    return w;
}

void CheckLedger(const char* where, std::vector<std::string>& violations, int deleting)
{
    const World now = Look();
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (!ledger[slot].owed) continue;
        const long long owed = ledger[slot].start;
        const int row = SlotRow(slot);
        const std::string what = Narrow(SlotName(slot)) + " (owes " + std::to_string(owed) + ") " + where;
        if (slot != deleting && now.store[slot] != owed)
            violations.push_back(what + ": the store holds " + std::to_string(now.store[slot]));
        // a power cut: one hive as last flushed, the other as it stands
        if (durable.store[slot] != owed && now.start[row] != owed)
            violations.push_back(what + ": a power cut now keeps start type " + std::to_string(now.start[row]) +
                                 " and a store without the backup");
        if (now.store[slot] != owed && durable.start[row] != owed)
            violations.push_back(what + ": a power cut now keeps start type " + std::to_string(durable.start[row]) +
                                 " and a store without the backup");
    }
}

std::vector<int> AfterOutsideWrite(const World& before)
{
    const World now = Look();
    durable = now;
    if (storeVolatile)
        for (long long& saved : durable.store) saved = -1;
    std::vector<int> changed;
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (now.store[slot] == before.store[slot]) continue;
        changed.push_back(slot);
        ledger[slot].owed = !storeVolatile && Usable(now.store[slot]);
        ledger[slot].start = ledger[slot].owed ? static_cast<DWORD>(now.store[slot]) : 0;
    }
    return changed;
}

void AfterStoreRemade(bool volatileNow)
{
    storeVolatile = volatileNow;
    const World now = Look();
    durable = now;
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (volatileNow) durable.store[slot] = -1;
        ledger[slot].owed = !volatileNow && Usable(now.store[slot]);
        ledger[slot].start = ledger[slot].owed ? static_cast<DWORD>(now.store[slot]) : 0;
    }
}

}  // namespace guarantee
