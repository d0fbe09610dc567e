#pragma once
// Writes a compiled catalogue as the three tables the program reads.
#include <string>

#include "tools/xdbc/catalogue_source.h"

namespace kelt::catsrc {

inline constexpr const char* kKindsFile = "KeltKinds.xdb";
inline constexpr const char* kCheckItemsFile = "KeltckItems.xdb";
inline constexpr const char* kEditItemsFile = "KeltedItems.xdb";

inline constexpr const char* kKindsVersion = "DNV'S KELT KINDS DB 0.8";
inline constexpr const char* kCheckItemsVersion = "DNV'S KELT CKITEMS DB 0.8";
inline constexpr const char* kEditItemsVersion = "DNV'S KELT EDITEMS DB 0.8";

// Writes KeltKinds.xdb, KeltckItems.xdb and KeltedItems.xdb into folder (which
// must exist). Each starts with its version row; data rows follow in source order.
void WriteCatalogueTables(const Catalogue& catalogue, const std::string& folder);

} // namespace kelt::catsrc
