#include "service/StoreLock.h"
#include <sddl.h>

namespace {

constexpr const wchar_t* BoundaryName = L"TarvixMini.BackupStore";
constexpr const wchar_t* NamespaceAlias = L"TarvixMini";
constexpr const wchar_t* NamespacedLockName = L"TarvixMini\\BackupStore";
// the name of systems without private namespaces; anyone may create an object of this
// name first, and then the lock is simply not had
constexpr const wchar_t* GlobalLockName = L"Global\\TarvixMini.BackupStore";
// only administrators and the system may open the namespace
constexpr const wchar_t* NamespaceSecurity = L"D:P(A;;GA;;;BA)(A;;GA;;;SY)";

// Another copy may close the namespace between this copy's failed create and its open;
// the next create then succeeds.
constexpr int NamespaceAttempts = 3;

HANDLE CreateOrOpenNamespace(HANDLE boundary)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(NamespaceSecurity, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return nullptr;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    HANDLE space = nullptr;
    for (int attempt = 0; attempt < NamespaceAttempts && !space; ++attempt) {
        space = osApi.CreatePrivateNamespaceW(&attributes, boundary, NamespaceAlias);
        if (space || GetLastError() != ERROR_ALREADY_EXISTS) break;
        space = osApi.OpenPrivateNamespaceW(boundary, NamespaceAlias);
    }
    LocalFree(descriptor);
    return space;
}

HANDLE CreateLockMutex(const StoreLockNamespace& space)
{
    switch (space.Get()) {
    case StoreLockNamespace::Kind::Private: return osApi.CreateMutexW(nullptr, FALSE, NamespacedLockName);
    case StoreLockNamespace::Kind::Unsupported: return osApi.CreateMutexW(nullptr, FALSE, GlobalLockName);
    // never the global name: another copy that has the namespace would not see it
    case StoreLockNamespace::Kind::Failed: break;
    }
    return nullptr;
}

}  // namespace

StoreLockNamespace::StoreLockNamespace() : kind(Open()) {}

StoreLockNamespace::Kind StoreLockNamespace::Open()
{
    // Wine 8 answers null here, and its AddSIDToBoundaryDescriptor ends the process:
    // nothing more is asked of a system without a descriptor
    boundary = osApi.CreateBoundaryDescriptorW(BoundaryName, 0);
    if (!boundary) return Kind::Unsupported;
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(administrators);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size)) return Kind::Failed;
    if (!osApi.AddSIDToBoundaryDescriptor(&boundary, administrators)) return Kind::Failed;
    // the High integrity label, against a squat by a process of a lower level; a system
    // without the call gets no namespace (and no lock), never the global name
    BYTE high[SECURITY_MAX_SID_SIZE];
    size = sizeof(high);
    if (!CreateWellKnownSid(WinHighLabelSid, nullptr, high, &size)) return Kind::Failed;
    if (!osApi.AddIntegrityLabelToBoundaryDescriptor(&boundary, high)) return Kind::Failed;
    space = CreateOrOpenNamespace(boundary);
    return space ? Kind::Private : Kind::Failed;
}

StoreLockNamespace::~StoreLockNamespace()
{
    if (space) osApi.ClosePrivateNamespace(space, 0);
    if (boundary) osApi.DeleteBoundaryDescriptor(boundary);
}

// A null handle is a lock not had: the name is held by an object of another kind
// (ERROR_INVALID_HANDLE), or the mutex may not be opened.
StoreLock::StoreLock() : mutex(CreateLockMutex(space))
{
    if (!mutex.IsValid()) return;
    const DWORD wait = osApi.WaitForSingleObject(mutex.Get(), StoreLockTimeoutMs);
    // abandoned: a copy ended in the middle of its pass; every pass reads afresh what it
    // decides on, so the state it left is safe to work on
    held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

StoreLock::~StoreLock()
{
    if (held) osApi.ReleaseMutex(mutex.Get());
}
