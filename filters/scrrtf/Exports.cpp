// The four exports of scrrtf.so.
#include "../common/FilterExports.h"
#include "RtfFilter.h"

SCRIVTAR_FILTER_EXPORTS(scrivtar::rtf::GetFilterExtensions, scrivtar::rtf::CreateConverter)
