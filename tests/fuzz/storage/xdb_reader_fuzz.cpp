// Feeds arbitrary bytes to the table reader. Anything either opens or fails with an engine
// error; a table that opens must write bytes that read back and write again identically.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "storage/xdb_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    kelt::TXdbTable table;
    table.SetPartialOpen((size & 1) != 0);  // exercise both the strict and the partial reader
    table.SetStream(bytes);
    table.SetLoadMode(kelt::lmStream);
    try {
        table.Open();
    } catch (const kelt::XdbError&) {
        return 0;
    }
    std::size_t touched = 0;
    for (table.First(); !table.Eof(); table.Next()) {
        for (int i = 0; i < table.FieldCount(); ++i) {
            kelt::TField& field = table.Fields(i);
            touched += field.AsString().size();
            try {
                touched += static_cast<std::size_t>(field.AsInteger() & 1) + field.AsBoolean();
            } catch (const kelt::XdbError&) {
                // text that is not a number
            }
        }
    }
    (void)touched;

    std::string first;
    try {
        first = table.SaveToString();
    } catch (const kelt::XdbError&) {
        std::abort();  // whatever was read must be writable
    }
    kelt::TXdbTable again;
    again.SetStream(first);
    again.SetLoadMode(kelt::lmStream);
    again.Open();  // throws (and so crashes the run) if the writer made an unreadable file
    if (again.SaveToString() != first) std::abort();
    return 0;
}
