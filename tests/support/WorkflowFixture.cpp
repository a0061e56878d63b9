#include "support/WorkflowFixture.h"

void WorkflowFixture::SetUp()
{
    ClearBackupStore();
}

void WorkflowFixture::TearDown()
{
    seam.ExpectAllClosed();
    ClearBackupStore();
}
