// xdbdump FILE            prints the columns and every record of a table file
// xdbdump --copy FILE OUT loads a table file and saves it again under another name
//
// Records are printed one per line: "record N", then a tab and name=value for each column.
// Values are escaped so that a line is plain text: bytes outside printable ASCII (tabs, line
// breaks, NULs included) become \xNN and a backslash becomes \\. A null value prints as nothing.
#include <cstdio>
#include <iostream>
#include <string>

#include "storage/xdb_table.h"

namespace {

std::string Escape(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

std::string TypeName(const kelt::TXdbField& field) {
    static const char* const names[] = {"xftUnknown", "xftSmallInt", "xftInteger",  "xftBoolean",
                                        "xftDouble",  "xftCurrency", "xftDate",     "xftTime",
                                        "xftDateTime", "xftAutoInc", "xftSmallStr", "xftString",
                                        "xftBlob",    "xftMemo",     "xftFmtMemo",  "xftGraphic"};
    std::string name = names[field.Type];
    if (field.Type == kelt::xftSmallStr || field.Type == kelt::xftString) name += "(" + std::to_string(field.Length) + ")";
    return name;
}

int Dump(const std::string& path) {
    kelt::TXdbTable table;
    table.LoadFromFile(path);
    const kelt::TXdbCursor& cursor = *table.Cursor();
    std::cout << "file: " << Escape(path) << "\n";
    std::cout << "records: " << table.RecordCount() << "\n";
    std::cout << "fields: " << cursor.FieldCount() << "\n";
    if (!cursor.HeaderNote().empty()) std::cout << "note: " << Escape(cursor.HeaderNote()) << "\n";
    for (int i = 0; i < cursor.FieldCount(); ++i) {
        const kelt::TXdbField& field = cursor.Field(i);
        std::cout << "field " << (i + 1) << "\t" << Escape(field.Alias) << "." << Escape(field.Name) << "\t"
                  << TypeName(field) << "\n";
    }
    for (table.First(); !table.Eof(); table.Next()) {
        std::string line = "record " + std::to_string(table.RecNo());
        for (int i = 0; i < table.FieldCount(); ++i) {
            kelt::TField& field = table.Fields(i);
            line += "\t" + Escape(field.FieldName()) + "=" + Escape(field.AsString());
        }
        std::cout << line << "\n";
    }
    return 0;
}

int Copy(const std::string& from, const std::string& to) {
    kelt::TXdbTable table;
    table.LoadFromFile(from);
    table.SaveToFile(to);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 2 && std::string(argv[1]).rfind("--", 0) != 0) return Dump(argv[1]);
        if (argc == 4 && std::string(argv[1]) == "--copy") return Copy(argv[2], argv[3]);
    } catch (const kelt::Error& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    std::cerr << "usage: xdbdump FILE\n       xdbdump --copy FILE OUT\n";
    return 2;
}
