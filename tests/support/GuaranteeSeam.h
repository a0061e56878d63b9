#pragma once
// The random sequence's wrappers over the OS seam: they refuse the one OS call a step
// armed (two at once for a refused change and its failed roll-back), let a simulated
// second copy of the program work between any two calls, stand in for the lock's private
// namespace as a system that has one answers, and check the ledger at every write, flush,
// change and delete, also as if power were cut right there. What they learn goes into the
// step's record.
#include <windows.h>
#include <random>
#include <string>
#include <utility>
#include <vector>
#include "support/GuaranteeLedger.h"
#include "support/OsFaults.h"
#include "support/TestWorld.h"

namespace guarantee {

enum Action { Apply, Disable, Restore, External, Tamper, ActionCount };
const char* const ActionNames[ActionCount] = {"apply", "disable", "restore", "outside change", "stray value"};
// The refusals a step may arm, in the order the sequence draws them (the seeds of earlier
// runs give the same steps): one OS call of the kind refused at its n-th call in the step,
// two at once for a refused change and its failed roll-back, or the lock's namespace.
using enum OsFault;
constexpr OsFault SequenceFaults[] = {CreateKey,    SetValue,        FlushKey,    DeleteValue,
                                      ChangeConfig, ChangeAndDelete, OpenKey,     ReadValue,
                                      OpenManager,  OsFault::OpenService, ReadStart, LockMutex,
                                      NamespaceCall};
constexpr int SequenceFaultCount = sizeof(SequenceFaults) / sizeof(SequenceFaults[0]);
constexpr int Index(OsFault fault) { return static_cast<int>(fault); }

// the services of the run and the start type each test service is installed with:
// RemoteRegistry stays missing, Spooler is Wine's own (0: not installed)
struct RunService {
    const wchar_t* name;
    DWORD start;
};
constexpr RunService Installed[] = {
    {L"SysMain", SERVICE_AUTO_START},    {L"WSearch", SERVICE_DEMAND_START},    {L"Spooler", 0},
    {L"Fax", SERVICE_DEMAND_START},      {L"XblAuthManager", SERVICE_AUTO_START}, {L"MapsBroker", SERVICE_DEMAND_START},
};
constexpr int InstalledCount = sizeof(Installed) / sizeof(Installed[0]);

extern std::mt19937 rng;
unsigned Random(unsigned n);
bool Chance(unsigned percent);

// Where the lock lives in a step: under the global name, with Wine's own namespace calls
// (Wine 8 has no private namespaces); or in a private namespace that the test stands in
// for, as on Windows. The second copy uses the tests' own literal name of each.
enum class LockPlace { Global, Namespace };
constexpr const wchar_t* NamespacedLock = L"TarvixMini\\BackupStore";
constexpr const wchar_t* NamespacedStandIn = L"Global\\TarvixMiniGuarantee.NamespacedLock";
// which namespace call a NamespaceCall step refuses, every time it is made
enum class SpaceRefusal { None, Sid, Create, Open, Label };

// Everything the wrappers learn during one step.
struct Step {
    Action action = External;
    OsFault fault = None;
    int faultAt = 0;  // the n-th call of that kind fails
    int calls[OsFaultCount] = {};
    bool faultHit = false;
    bool bothHit = false;  // ChangeAndDelete: the roll-back was refused too
    bool asked = false;
    bool answeredYes = false;
    std::wstring resultText;
    UINT resultType = 0;
    LockPlace place = LockPlace::Global;
    SpaceRefusal refusal = SpaceRefusal::None;
    bool lockFault = false;                     // the lock's mutex or namespace was refused
    World atCall;                               // the registry as the workflow began
    std::vector<int> checkedRows;               // batch: the rows the test checked
    std::wstring question;                      // the confirmation the test was shown
    bool faultBeforeQuestion = false;           // a refusal hit before the confirmation
    bool movedBeforeQuestion = false;           // the other copy acted before the confirmation
    bool passRan = false;                       // the pass took the lock
    World atPass;                               // the registry as the pass took the lock
    bool checkedAtPass[ServiceCount] = {};      // the row toggles as the pass took the lock
    int currentRow = -1;                        // the row whose start type the pass read last
    bool storeReadFault = false;                // a backup read failed during the pass
    std::vector<int> unknownSlots;              // slots whose read failed during the pass
    std::vector<int> unreadableRows;            // rows whose start type read failed when the pass decided on them
    std::vector<int> readBackRefused;           // rows whose start type read failed after that (a read-back)
    int startReads[ServiceCount] = {};          // the pass's reads of each row's start type
    std::vector<int> written;                   // slots written
    std::vector<int> refusedChange;             // rows whose change failed
    std::vector<int> refusedDelete;             // slots whose roll-back (deletion or put-back) failed
    StoreImage storeAtPass;                     // every value of the store as the pass took the lock
    std::vector<std::pair<int, DWORD>> changed; // rows set, and to what
    std::vector<int> flushedRows;               // rows whose start type was flushed after a change
    std::vector<int> outsideSlots;              // slots that another program or copy changed
    std::vector<std::string> violations;
};
extern Step step;
extern bool inPass;  // this copy holds the shared lock, as seen through the seam
extern int secondCopyActed, secondCopyBlocked;
extern int valuesPutBack;  // roll-backs that wrote back a value that stood there before the pass
extern int boundariesOpen, spacesOpen;  // the stand-in namespace's handles

void Violation(const std::string& what);

template <typename T>
bool Contains(const std::vector<T>& list, const T& item)
{
    for (const T& entry : list)
        if (entry == item) return true;
    return false;
}

bool ChangedTo(int row, DWORD start);

// AfterOutsideWrite, with the slots it changed noted in the step.
void NoteOutsideWrite(const World& before);

// Another copy may run a pass at any moment, but only when it gets the lock: never while
// this copy's pass holds it.
void MaybeSecondCopy(unsigned percent);

// Forgets the lock, the open keys and the counts of an earlier run.
void ResetSeamRecord();
// Puts the wrappers over whatever the seam holds now (service names tracked); a SeamLayer
// made before takes them away.
void InstallGuaranteeSeam();

}  // namespace guarantee
