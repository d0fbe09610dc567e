#pragma once
// Helpers shared by the table engine tests: byte builders, throw-away folders and loading
// tables from bytes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "storage/xdb_table.h"

namespace kelt::test {

// Little-endian byte builder for hand-made table files.
class Bytes {
public:
    Bytes& i32(std::int32_t v) {
        auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) s_ += static_cast<char>((u >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes& i16(std::int16_t v) {
        auto u = static_cast<std::uint16_t>(v);
        s_ += static_cast<char>(u & 0xFF);
        s_ += static_cast<char>(u >> 8);
        return *this;
    }
    Bytes& u8(unsigned v) {
        s_ += static_cast<char>(v & 0xFF);
        return *this;
    }
    Bytes& str(const std::string& v) {
        s_ += v;
        return *this;
    }
    Bytes& f64(double v) {
        char b[8];
        std::memcpy(b, &v, 8);
        s_.append(b, 8);
        return *this;
    }
    const std::string& get() const { return s_; }
    std::size_t size() const { return s_.size(); }

private:
    std::string s_;
};

// A table file: the header with total length computed, then the rest.
inline std::string TableBytes(std::int32_t records, std::int32_t fields, const std::string& layout,
                              const std::string& body) {
    Bytes b;
    b.i32(static_cast<std::int32_t>(17 + layout.size() + body.size())).u8('S').i32(records).i32(fields);
    b.i32(static_cast<std::int32_t>(layout.size())).str(layout).str(body);
    return b.get();
}

// Layout string from descriptors such as "XXX.iRegRoot i"; each gets its separator, and the
// string ends with the record separator as this program writes it.
inline std::string Layout(std::initializer_list<const char*> descriptors, bool trailer = true) {
    std::string s;
    for (const char* d : descriptors) {
        s += d;
        s += '\x12';
    }
    if (trailer) s += '\x14';
    return s;
}

// Opens a table from bytes in memory (the same reader as files use).
inline void OpenBytes(TXdbTable& table, const std::string& bytes) {
    table.Close();
    table.SetStream(bytes);
    table.SetLoadMode(lmStream);
    table.Open();
}

// The message an open of these bytes raises, or "" when it opens.
inline std::string OpenError(const std::string& bytes) {
    TXdbTable table;
    try {
        OpenBytes(table, bytes);
    } catch (const XdbError& e) {
        EXPECT_FALSE(table.Active());
        return e.what();
    }
    return std::string();
}

// A folder that exists for one test and is removed afterwards.
class TempDir {
public:
    TempDir() {
        static std::atomic<unsigned> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("kelt-storage-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace kelt::test
