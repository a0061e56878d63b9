#pragma once
// Which OS call a test makes fail: the one vocabulary of the workflow tests (FaultSeam,
// support/WorkflowFaults.h) and of the random sequence (support/GuaranteeSeam.h), with
// the name each refusal is reported by.

enum class OsFault {
    None,
    CreateKey,        // RegCreateKeyExW: the store key cannot be created
    SetValue,         // RegSetValueExW: a backup write is refused
    FlushKey,         // RegFlushKey: a hive cannot be written to disk (an I/O error)
    DeleteValue,      // RegDeleteValueW: a backup deletion is refused
    ChangeConfig,     // ChangeServiceConfigW: a start-type change is refused
    ChangeAndDelete,  // a start-type change and the roll-back of its backup are both refused
    OpenKey,          // RegOpenKeyExW: the key cannot be opened (to read a backup)
    ReadValue,        // RegQueryValueExW: a value (a backup) cannot be read
    ReadStart,        // RegQueryValueExW of a service's Start value
    OpenManager,      // OpenSCManagerW: the service manager cannot be opened
    OpenService,      // OpenServiceW: a service cannot be opened (to change it)
    LockMutex,        // CreateMutexW: the lock's mutex (another kind of object has its name)
    NamespaceCall,    // one of the lock's private-namespace calls fails
    Lock,             // WaitForSingleObject: the lock shared by copies is not had in time
    ReadBack,         // RegQueryValueExW of a Start value read again after the pass (a read-back)
    Count
};

constexpr int OsFaultCount = static_cast<int>(OsFault::Count);

// the call a refusal is reported by, as the failure texts and the sequence's summary name it
const char* OsFaultName(OsFault fault);
