#include "service/SysMainStatus.h"
#include "service/BackupStore.h"
#include "service/ServiceCatalogue.h"
#include "service/ServiceOps.h"

void ReadSysMain(SysMainSnapshot& s)
{
    s.startReadable = ReadStartType(SysMainName, &s.start) == 0;
    s.saved = ReadBackupValue(OriginalStartValue, &s.originalStart) == BackupState::Present;
    s.state = QuerySysMainState();
}
