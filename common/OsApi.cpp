#include "common/OsApi.h"

OsApi osApi;
