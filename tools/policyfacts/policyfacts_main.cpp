// policyfacts: the facts of Microsoft's Group Policy templates that the catalogue's policy
// tweaks rely on, and the check of the catalogue against them.
//
//   policyfacts extract --templates DIR --origin TEXT --out FILE SOURCE.kind...
//       reads the PolicyDefinitions folder DIR and writes the facts of every policy the
//       sources name to FILE, headed by TEXT (where the templates came from)
//   policyfacts check --facts FILE [--facts FILE]... SOURCE.kind...
//       lists every tweak that disagrees with the facts; exit code 1 when there is one
//   policyfacts show --templates DIR [POLICY | KEY\VALUE]...
//       prints the facts of policies, or of the policies that write a value, with the
//       template text they were read from (for whoever adds a tweak; not for the repository);
//       without either, the facts of every policy
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/policyfacts/admx_reader.h"
#include "tools/policyfacts/policy_facts.h"
#include "tools/xdbc/catalogue_source.h"

namespace {

using namespace kelt::policy;

int Usage() {
    std::fprintf(stderr,
                 "usage: policyfacts extract --templates DIR --origin TEXT --out FILE SOURCE.kind...\n"
                 "       policyfacts check --facts FILE [--facts FILE]... SOURCE.kind...\n"
                 "       policyfacts show --templates DIR [POLICY | KEY\\VALUE]...\n");
    return 2;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FactsError("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

kelt::catsrc::Catalogue Compile(const std::vector<std::string>& sources) {
    // Pictures do not matter here.
    kelt::catsrc::CatalogueCompiler compiler([](const std::string&, int, const std::string&, int) { return std::string(); });
    for (const std::string& s : sources) compiler.AddSource(ReadWhole(s), s);
    return compiler.Result();
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

int Extract(const std::string& templates, const std::string& origin, const std::string& out,
            const std::vector<std::string>& sources) {
    std::set<std::string> wanted;
    for (const auto& t : Compile(sources).tweaks)
        if (!t.policy.empty()) wanted.insert(t.policy);
    const TemplateReading reading = ReadTemplates(templates);
    std::set<std::string> found;
    std::string text =
        "# Facts of Microsoft's Group Policy templates for the policies the catalogue names: one registry\n"
        "# value a policy writes per line; the fields are described in tools/policyfacts/policy_facts.h.\n"
        "# Written by tools/policyfacts (extract) from the templates of\n";
    std::istringstream originLines(origin);
    for (std::string line; std::getline(originLines, line);) text += "#   " + line + "\n";
    text += "# policy\tclass\tkey\tvalue\ttype\tenabled\tdisabled\tsince\teditions\trestart\n";
    for (const PolicyValue& v : reading.values)
        if (wanted.count(v.policy)) {
            found.insert(v.policy);
            text += FactsLine(v) + "\n";
        }
    std::ofstream file(out, std::ios::binary);
    file << text;
    if (!file) throw FactsError("cannot write " + out);
    for (const std::string& id : wanted)
        if (!found.count(id)) std::fprintf(stderr, "policyfacts: %s is not in the templates (kept by hand?)\n", id.c_str());
    std::printf("policyfacts: %zu policies\n", found.size());
    return 0;
}

int Check(const std::vector<std::string>& factFiles, const std::vector<std::string>& sources) {
    PolicyFacts facts;
    for (const std::string& f : factFiles) ReadFacts(ReadWhole(f), f, facts);
    const std::vector<Finding> findings = CheckCatalogue(Compile(sources), facts);
    for (const Finding& f : findings) std::printf("%s: %s: %s\n", f.where.c_str(), f.describe.c_str(), f.message.c_str());
    std::printf("policyfacts: %zu findings\n", findings.size());
    return findings.empty() ? 0 : 1;
}

int Show(const std::string& templates, const std::vector<std::string>& asks) {
    const TemplateReading reading = ReadTemplates(templates);
    if (asks.empty()) {
        for (const PolicyValue& v : reading.values) std::printf("%s\n", FactsLine(v).c_str());
        return 0;
    }
    for (const std::string& ask : asks) {
        std::set<std::string> ids;
        const size_t slash = ask.rfind('\\');
        for (const PolicyValue& v : reading.values) {
            if (v.policy == ask) ids.insert(v.policy);
            if (slash != std::string::npos && Lower(v.key) == Lower(ask.substr(0, slash)) &&
                Lower(v.value) == Lower(ask.substr(slash + 1)))
                ids.insert(v.policy);
        }
        if (ids.empty()) std::printf("%s: no policy\n", ask.c_str());
        for (const std::string& id : ids) {
            for (const PolicyValue& v : reading.values)
                if (v.policy == id) std::printf("%s\n", FactsLine(v).c_str());
            std::printf("  %s\n", reading.evidence.at(id).c_str());
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    std::string templates, origin, out;
    std::vector<std::string> factFiles, rest;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        std::string* target = a == "--templates" ? &templates : a == "--origin" ? &origin : a == "--out" ? &out : nullptr;
        if (target || a == "--facts") {
            if (i + 1 >= argc) return Usage();
            (target ? *target : factFiles.emplace_back()) = argv[++i];
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            return Usage();
        } else {
            rest.push_back(a);
        }
    }
    try {
        if (command == "extract" && !templates.empty() && !origin.empty() && !out.empty() && !rest.empty())
            return Extract(templates, origin, out, rest);
        if (command == "check" && !factFiles.empty() && !rest.empty()) return Check(factFiles, rest);
        if (command == "show" && !templates.empty()) return Show(templates, rest);
    } catch (const kelt::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return Usage();
}
