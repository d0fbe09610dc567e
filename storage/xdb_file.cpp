#include "storage/xdb_file.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <streambuf>

#include "storage/xdb_types.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kelt {

namespace {

// ---- The few platform calls: file size, flushing to disk, replacing the target. ----
#ifdef _WIN32
bool RegularFileSize(std::FILE* f, std::uint64_t& size) {
    if (_fseeki64(f, 0, SEEK_END) != 0) return false;
    const long long end = _ftelli64(f);
    if (end < 0 || _fseeki64(f, 0, SEEK_SET) != 0) return false;
    size = static_cast<std::uint64_t>(end);
    return true;
}
bool FlushToDisk(std::FILE* f) { return std::fflush(f) == 0; }
void CopyPermissions(const std::string&, std::FILE*) {}
std::string ResolveTarget(const std::string& path) { return path; }
// Replaces target by source in one step; answers an error text, empty on success.
std::string ReplaceFile(const std::string& source, const std::string& target) {
    if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return {};
    return "system error " + std::to_string(GetLastError());
}
#else
bool RegularFileSize(std::FILE* f, std::uint64_t& size) {
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}
bool FlushToDisk(std::FILE* f) { return std::fflush(f) == 0 && fsync(fileno(f)) == 0; }
// A replaced file keeps the access rights it had.
void CopyPermissions(const std::string& target, std::FILE* temp) {
    struct stat st;
    if (stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) (void)fchmod(fileno(temp), st.st_mode & 07777);
}
// Saving through a symbolic link replaces the file it points to, not the link.
std::string ResolveTarget(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string resolved(real);
    std::free(real);
    struct stat st;
    return (stat(resolved.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ? resolved : path;
}
std::string ReplaceFile(const std::string& source, const std::string& target) {
    if (std::rename(source.c_str(), target.c_str()) == 0) return {};
    return std::strerror(errno);
}
#endif

[[noreturn]] void CreateFailed(const std::string& path, const std::string& reason) {
    throw XdbError("Cannot create file " + path + " (" + reason + ")");
}

std::string TempNameFor(const std::string& target) {
    static std::uint64_t counter = 0;
    std::random_device device;
    std::uint64_t seed = (static_cast<std::uint64_t>(device()) << 32) ^ device() ^
                         static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".~%08x.tmp", static_cast<unsigned>((seed + ++counter * 2654435761u) & 0xFFFFFFFFu));
        std::string name = target + suffix;
        if (std::FILE* existing = std::fopen(name.c_str(), "rb")) {
            std::fclose(existing);
            continue;
        }
        return name;
    }
    CreateFailed(target, "no temporary name available");
}

// A std::streambuf writing to a C file, so the table can be streamed and the file flushed to disk.
class FileBuf : public std::streambuf {
public:
    explicit FileBuf(std::FILE* f) : f_(f) {}

protected:
    int_type overflow(int_type ch) override {
        if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
        return std::fputc(ch, f_) == EOF ? traits_type::eof() : ch;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<std::size_t>(n), f_));
    }
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
        int whence = dir == std::ios_base::beg ? SEEK_SET : dir == std::ios_base::cur ? SEEK_CUR : SEEK_END;
        if (off > std::numeric_limits<long>::max() || std::fseek(f_, static_cast<long>(off), whence) != 0)
            return pos_type(off_type(-1));
        return pos_type(static_cast<off_type>(std::ftell(f_)));
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode mode) override {
        return seekoff(off_type(pos), std::ios_base::beg, mode);
    }

private:
    std::FILE* f_;
};

void WriteAtomic(const std::string& path, const std::function<void(std::FILE*)>& write) {
    const std::string target = ResolveTarget(path);
    const std::string temp = TempNameFor(target);
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) CreateFailed(path, std::strerror(errno));
    try {
        write(f);
        CopyPermissions(target, f);
        if (std::ferror(f) || !FlushToDisk(f)) {
            std::string reason = std::strerror(errno);
            throw XdbError("Cannot create file " + path + " (" + reason + ")");
        }
    } catch (...) {
        std::fclose(f);
        std::remove(temp.c_str());
        throw;
    }
    if (std::fclose(f) != 0) {
        std::string reason = std::strerror(errno);
        std::remove(temp.c_str());
        CreateFailed(path, reason);
    }
    std::string error = ReplaceFile(temp, target);
    if (!error.empty()) {
        std::remove(temp.c_str());
        CreateFailed(path, error);
    }
}

} // namespace

std::string XdbReadFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::uint64_t size = 0;
    if (!f) throw XdbError("Error opening file " + path);
    // Tables never exceed 2 GB: the writer stores the total length as a signed 32-bit number.
    if (!RegularFileSize(f, size) || size > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        std::fclose(f);
        throw XdbError("Error opening file " + path);
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::size_t got = size ? std::fread(&bytes[0], 1, bytes.size(), f) : 0;
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) throw XdbError("Error opening file " + path);
    bytes.resize(got);
    return bytes;
}

void XdbWriteFileAtomic(const std::string& path, const std::string& bytes) {
    WriteAtomic(path, [&](std::FILE* f) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    });
}

void XdbWriteFileAtomic(const std::string& path, const std::function<void(std::ostream&)>& write) {
    WriteAtomic(path, [&](std::FILE* f) {
        FileBuf buf(f);
        std::ostream out(&buf);
        write(out);
        out.flush();
    });
}

void XdbBackupFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;  // nothing to keep yet
    std::fclose(f);
    std::string backup = path;
    const std::size_t slash = backup.find_last_of("/\\");
    const std::size_t dot = backup.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) backup.erase(dot);
    backup += ".~d";
    XdbWriteFileAtomic(backup, XdbReadFile(path));
}

} // namespace kelt
