#include "storage/xdb_types.h"

namespace kelt {

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType type, int size) {
    TFieldDef def;
    def.Name = name;
    def.DataType = type;
    def.Size = size;
    defs_.push_back(def);
    return defs_.back();
}

const TFieldDef* TFieldDefs::Find(const std::string& name) const {
    for (const TFieldDef& def : defs_) {
        if (def.Name == name) return &def;
    }
    return nullptr;
}

std::uint16_t XdbSlotWidth(TXdbFieldType type, std::uint16_t length) {
    switch (type) {
    case xftSmallInt:
    case xftBoolean:
        return 2;
    case xftInteger:
    case xftDate:
    case xftTime:
    case xftAutoInc:
    case xftString:
        return 4;
    case xftDouble:
    case xftCurrency:
    case xftDateTime:
    case xftBlob:
    case xftMemo:
    case xftFmtMemo:
    case xftGraphic:
        return 8;
    case xftSmallStr:
        return static_cast<std::uint16_t>(length + 1);
    case xftUnknown:
        break;
    }
    return 0;
}

bool XdbIsBlobType(TXdbFieldType type) {
    return type == xftBlob || type == xftMemo || type == xftFmtMemo || type == xftGraphic;
}

bool XdbIsVariableType(TXdbFieldType type) {
    return type == xftString || XdbIsBlobType(type);
}

bool XdbIsNumericType(TXdbFieldType type) {
    return type == xftSmallInt || type == xftInteger || type == xftDouble || type == xftCurrency ||
           type == xftAutoInc;
}

} // namespace kelt
