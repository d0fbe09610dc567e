// Loading and saving a record-file-shaped table of 100,000 records (about 50 MB) beside a plain
// read and write of the same bytes. Peak memory is measured in a fresh child process per
// operation (this process holds the generated table), reported as counters.
//   storage_bench [benchmark options]
//   storage_bench --peak load|save FILE   (internal: prints the peak resident size in KB)
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "storage/xdb_table.h"

namespace {

constexpr int kRecords = 100000;

std::string g_self;
std::string g_dir;
std::string g_file;
std::string g_bytes;

std::string Text(std::mt19937& rng, std::size_t length) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789\\ _.";
    std::string s(length, ' ');
    for (char& c : s) c = alphabet[rng() % (sizeof alphabet - 1)];
    return s;
}

std::string Binary(std::mt19937& rng, std::size_t length) {
    std::string s(length, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

// Nine columns as in a record file: memo, memo, boolean, integer, memo, memo, integer, BLOB, BLOB.
void Generate(const std::string& path) {
    kelt::TXdbTable t;
    t.FieldDefs().Add("sSubKey", kelt::ftMemo);
    t.FieldDefs().Add("sValueName", kelt::ftMemo);
    t.FieldDefs().Add("bCreate", kelt::ftBoolean);
    t.FieldDefs().Add("iRegRoot", kelt::ftInteger);
    t.FieldDefs().Add("sDescribe", kelt::ftMemo);
    t.FieldDefs().Add("sCaption", kelt::ftMemo);
    t.FieldDefs().Add("iRegType", kelt::ftInteger);
    t.FieldDefs().Add("sOldVal", kelt::ftBlob);
    t.FieldDefs().Add("sNewVal", kelt::ftBlob);
    t.Open();
    std::mt19937 rng(2024);
    for (int i = 0; i < kRecords; ++i) {
        t.Append();
        t.FieldByName("sSubKey").SetAsString(Text(rng, 40 + rng() % 40));
        t.FieldByName("sValueName").SetAsString(Text(rng, 10 + rng() % 20));
        t.FieldByName("bCreate").SetAsBoolean(i % 3 == 0);
        t.FieldByName("iRegRoot").SetAsInteger(static_cast<std::int32_t>(0x80000000u + static_cast<unsigned>(i % 6)));
        t.FieldByName("sDescribe").SetAsString(Text(rng, 60 + rng() % 60));
        t.FieldByName("sCaption").SetAsString(Text(rng, 60 + rng() % 60));
        t.FieldByName("iRegType").SetAsInteger(i % 3);
        t.FieldByName("sOldVal").SetAsString(Binary(rng, 80 + rng() % 60));
        t.FieldByName("sNewVal").SetAsString(Binary(rng, 80 + rng() % 60));
        t.Post();
    }
    t.SaveToFile(path);
}

double PeakRatio(const char* op) {
    const std::string cmd = "'" + g_self + "' --peak " + op + " '" + g_file + "'";
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) return 0.0;
    long kb = 0;
    if (std::fscanf(p, "%ld", &kb) != 1) kb = 0;
    pclose(p);
    return static_cast<double>(kb) * 1024.0;
}

void SetFigures(benchmark::State& state, const char* peakOp) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(g_bytes.size()));
    state.counters["file_MB"] = static_cast<double>(g_bytes.size()) / 1e6;
    if (peakOp) {
        const double peak = PeakRatio(peakOp);
        state.counters["peak_MB"] = peak / 1e6;
        state.counters["peak_per_file"] = peak / static_cast<double>(g_bytes.size());
    }
}

void BM_PlainRead(benchmark::State& state) {
    for (auto _ : state) {
        std::FILE* f = std::fopen(g_file.c_str(), "rb");
        std::string bytes(g_bytes.size(), '\0');
        std::size_t got = std::fread(&bytes[0], 1, bytes.size(), f);
        std::fclose(f);
        benchmark::DoNotOptimize(got);
        benchmark::DoNotOptimize(bytes.data());
    }
    SetFigures(state, nullptr);
}

void BM_Load(benchmark::State& state) {
    for (auto _ : state) {
        kelt::TXdbTable t;
        t.LoadFromFile(g_file);
        benchmark::DoNotOptimize(t.RecordCount());
    }
    SetFigures(state, "load");
}

// The same durable write the engine does: a new file, flushed to disk, renamed over the old one.
void BM_PlainWrite(benchmark::State& state) {
    const std::string target = g_dir + "/plain.rwr";
    const std::string temp = target + ".tmp";
    for (auto _ : state) {
        std::FILE* f = std::fopen(temp.c_str(), "wb");
        std::fwrite(g_bytes.data(), 1, g_bytes.size(), f);
        std::fflush(f);
        fsync(fileno(f));
        std::fclose(f);
        std::rename(temp.c_str(), target.c_str());
    }
    SetFigures(state, nullptr);
}

void BM_Save(benchmark::State& state) {
    kelt::TXdbTable t;
    t.LoadFromFile(g_file);
    const std::string target = g_dir + "/saved.rwr";
    for (auto _ : state) t.SaveToFile(target);
    SetFigures(state, "save");
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->UseRealTime();

long PeakKb() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--peak") {
        const std::string op = argv[2];
        try {
            kelt::TXdbTable t;
            t.LoadFromFile(argv[3]);
            if (op == "save") t.SaveToFile(std::string(argv[3]) + ".peak");
            std::remove((std::string(argv[3]) + ".peak").c_str());
        } catch (const kelt::Error& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
        std::printf("%ld\n", PeakKb());
        return 0;
    }

    g_self = std::filesystem::canonical("/proc/self/exe").string();
    g_dir = (std::filesystem::temp_directory_path() / ("kelt-bench-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(g_dir);
    g_file = g_dir + "/record.rwr";
    Generate(g_file);
    g_bytes = kelt::XdbReadFile(g_file);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
    return 0;
}
