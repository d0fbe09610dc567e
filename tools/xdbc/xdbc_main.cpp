// xdbc: compiles the catalogue sources (data/catalogue/*.kind, in kind order) into
// KeltKinds.xdb, KeltckItems.xdb and KeltedItems.xdb.
//   xdbc --out FOLDER [--pictures FOLDER]... SOURCE.kind...
// Pictures named in a source are looked up beside the source, then in each
// --pictures folder. Any fault ends the run with "file:line: message" and exit
// code 1, before anything is written.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/artconv/art_image.h"
#include "tools/xdbc/catalogue_source.h"
#include "tools/xdbc/catalogue_tables.h"

namespace {

constexpr int kKindPictureSide = 32;

int Usage() {
    std::fprintf(stderr, "usage: xdbc --out FOLDER [--pictures FOLDER]... SOURCE.kind...\n");
    return 2;
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool FileExists(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return static_cast<bool>(in);
}

} // namespace

int main(int argc, char** argv) {
    std::string out;
    std::vector<std::string> pictureDirs, sources;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--out" || a == "--pictures") {
            if (i + 1 >= argc) return Usage();
            (a == "--out" ? out : pictureDirs.emplace_back()) = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else {
            sources.push_back(a);
        }
    }
    if (out.empty() || sources.empty()) return Usage();

    try {
        std::string currentSourceDir;
        auto loader = [&](const std::string& name, int depth, const std::string& file, int line) {
            const std::string where = file + ":" + std::to_string(line) + ": ";
            std::vector<std::string> candidates;
            if (!name.empty() && name[0] == '/') {
                candidates.push_back(name);
            } else {
                candidates.push_back(currentSourceDir + "/" + name);
                for (const auto& d : pictureDirs) candidates.push_back(d + "/" + name);
            }
            for (const auto& c : candidates) {
                if (!FileExists(c)) continue;
                kelt::art::Image image = kelt::art::LoadArt(c);
                if (image.width != kKindPictureSide || image.height != kKindPictureSide)
                    throw kelt::catsrc::SourceError(where + "picture '" + name + "' is " + std::to_string(image.width) +
                                                    " x " + std::to_string(image.height) + ", a kind picture must be 32 x 32");
                try {
                    return kelt::art::EncodeBmp(image, depth);
                } catch (const kelt::art::ArtError& e) {
                    throw kelt::catsrc::SourceError(where + "picture '" + name + "': " + e.what());
                }
            }
            throw kelt::catsrc::SourceError(where + "picture '" + name + "' not found");
        };
        kelt::catsrc::CatalogueCompiler compiler(loader);
        for (const auto& src : sources) {
            currentSourceDir = DirectoryOf(src);
            compiler.AddSource(kelt::art::ReadWholeFile(src), src);
        }
        kelt::catsrc::WriteCatalogueTables(compiler.Result(), out);
        const auto& cat = compiler.Result();
        size_t checks = 0;
        for (const auto& t : cat.tweaks) checks += t.style == kelt::catsrc::Style::Check;
        std::printf("xdbc: %zu kinds, %zu check-styled and %zu edit-styled tweaks\n", cat.kinds.size(), checks,
                    cat.tweaks.size() - checks);
    } catch (const kelt::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
