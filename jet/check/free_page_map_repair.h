#pragma once
// Repairing the database's map of free pages (free_page_map.h) from what uses the pages; declared
// for the engine's callers in jet/repair.h.

#include "jet/repair.h"
