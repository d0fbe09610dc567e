#pragma once
// The table engine: everything callers need to read, change and write table files.
#include "storage/xdb_types.h"    // IWYU pragma: export
#include "storage/xdb_cursor.h"   // IWYU pragma: export
#include "storage/xdb_dataset.h"  // IWYU pragma: export
#include "storage/xdb_file.h"     // IWYU pragma: export
