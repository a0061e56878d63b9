#pragma once
// Test access to the OS seam: CountingSeam puts counting wrappers over the real calls
// (so a test sees that every handle opened was closed) and restores the table when it
// goes out of scope. A test swaps single entries after constructing it, or lays a
// SeamLayer of its own over it.
#include <vector>
#include <string>
#include "common/OsApi.h"

// Wrappers laid over the seam as it stands: the layer remembers the whole table when it is
// made and puts it back when it goes, so no test restores an entry by hand. Given below, it
// also copies the table there, for wrappers that pass a call on to what lay beneath them.
class SeamLayer {
public:
    SeamLayer();
    explicit SeamLayer(OsApi& below);
    ~SeamLayer();
    SeamLayer(const SeamLayer&) = delete;
    SeamLayer& operator=(const SeamLayer&) = delete;
private:
    OsApi saved;
};

struct SeamCounters {
    int scmOpened = 0, scmClosed = 0;
    int keysOpened = 0, keysClosed = 0;
    int filesOpened = 0, filesClosed = 0;
    std::vector<DWORD> serviceAccess;         // access of every OpenServiceW, in order
    std::vector<std::wstring> openedServices; // name of every OpenServiceW, in order
    int queryStatusCalls = 0;
    std::vector<DWORD> controlsSent;
    std::vector<DWORD> startTypesChanged;     // dwStartType of every ChangeServiceConfigW
    int changeConfigCalls = 0;
};

extern SeamCounters seamCounters;
extern const OsApi realOs;  // the real functions, for wrappers that pass a call on

class CountingSeam {
public:
    CountingSeam();
    ~CountingSeam();
    CountingSeam(const CountingSeam&) = delete;
    CountingSeam& operator=(const CountingSeam&) = delete;
    // every service manager, service, key and file handle opened so far was closed
    void ExpectAllClosed() const;
private:
    SeamLayer layer;
};

// A recorded message box, and the answers the seam's MessageBoxW gives in turn.
struct RecordedBox {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};

class BoxRecorder {
public:
    explicit BoxRecorder(std::vector<int> answers = {});
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;
    const std::vector<RecordedBox>& Boxes() const;
    // runs while the box is "open", before it answers (e.g. to deliver a timer tick)
    void WhileOpen(void (*action)(const RecordedBox&));
private:
    decltype(&::MessageBoxW) saved;
};
