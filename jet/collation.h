#pragma once
// Index key order for callers that keep their own ordered copy of a table's rows and must order
// them exactly as the file's indexes do: Database::collation() is the text order of a database's
// indexes, and the keys appendSortKey() builds under it compare as bytes (memcmp) in index order.
// This header is the public face of those parts of the engine.

#include "jet/text/sort_key.h"
