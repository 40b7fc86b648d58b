// The four exports of scrhtm.so.
#include "../common/FilterExports.h"
#include "HtmlFilter.h"

SCRIVTAR_FILTER_EXPORTS(scrivtar::html::GetFilterExtensions, scrivtar::html::CreateConverter)
