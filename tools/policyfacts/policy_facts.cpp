#include "tools/policyfacts/policy_facts.h"

#include <cstdint>
#include <map>
#include <regex>
#include <sstream>

namespace kelt::policy {
namespace {

std::vector<std::string> Split(const std::string& s, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = s.find(separator, start);
        parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

// A number of a DWORD or QWORD text: decimal, possibly negative (the catalogue's signed form).
bool Number(const std::string& text, std::int64_t& n) {
    if (text.empty() || text.size() > 20) return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    n = text[0] == '-' ? -v : v;
    return true;
}

// The catalogue writes DWORDs in signed form; templates in unsigned form.
std::int64_t AsUnsignedDword(std::int64_t n) { return n < 0 ? n + 4294967296LL : n; }

// The values a facts field stands for.
struct ValueSet {
    std::vector<std::string> literals;
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
    bool anyText = false;

    bool Contains(const std::string& v, bool numeric) const {
        if (anyText) return true;
        std::int64_t n = 0;
        const bool isNumber = numeric && Number(v, n);
        if (isNumber) n = AsUnsignedDword(n);
        for (const auto& l : literals) {
            std::int64_t m = 0;
            if (isNumber && Number(l, m) ? m == n : l == v) return true;
        }
        std::int64_t r = 0;
        if (Number(v, r)) {
            r = AsUnsignedDword(r);
            for (const auto& [lo, hi] : ranges)
                if (r >= lo && r <= hi) return true;
        }
        return false;
    }
    // Whether it holds any value but `v`.
    bool HoldsOtherThan(const std::string& v, bool numeric) const {
        if (anyText) return true;
        for (const auto& [lo, hi] : ranges)
            if (hi > lo) return true;
        ValueSet only;
        only.literals = {v};
        for (const auto& l : literals)
            if (!only.Contains(l, numeric)) return true;
        for (const auto& [lo, hi] : ranges)
            if (!only.Contains(std::to_string(lo), numeric)) return true;
        return false;
    }
    void Add(const std::string& field) {
        if (field == "-" || field == "delete") return;
        for (const std::string& part : Split(field, '|')) {
            const size_t dots = part.find("..");
            std::int64_t lo = 0, hi = 0;
            if (part == "*")
                anyText = true;
            else if (dots != std::string::npos && Number(part.substr(0, dots), lo) && Number(part.substr(dots + 2), hi))
                ranges.emplace_back(lo, hi);
            else
                literals.push_back(part);
        }
    }
};

const char* const kFamilyOrder[] = {"2000", "xp", "2003", "vista", "7", "8", "10", "11"};
const int kFamilyBits[] = {catsrc::kWin2000, catsrc::kWinXP,  catsrc::kWin2003, catsrc::kWinVista,
                           catsrc::kWin7,    catsrc::kWin8,   catsrc::kWin10,   catsrc::kWin11};

int FamilyIndex(const std::string& word) {
    for (size_t i = 0; i < std::size(kFamilyOrder); ++i)
        if (word == kFamilyOrder[i]) return static_cast<int>(i);
    return -1;
}

// The family bits outside a since field ("vista", "7..8"); 0 for - and unknown words.
int FamiliesOutside(const std::string& since) {
    const size_t dots = since.find("..");
    const int oldest = FamilyIndex(since.substr(0, dots));
    const int newest = dots == std::string::npos ? static_cast<int>(std::size(kFamilyOrder)) - 1
                                                 : FamilyIndex(since.substr(dots + 2));
    if (oldest < 0 || newest < 0) return 0;
    int outside = catsrc::kWin95 | catsrc::kWin98 | catsrc::kWinMe | catsrc::kWinNT4;
    for (int i = 0; i < static_cast<int>(std::size(kFamilyOrder)); ++i)
        if (i < oldest || i > newest) outside |= kFamilyBits[i];
    return outside;
}

std::string RootOfClass(const std::string& policyClass) {
    if (policyClass == "User") return "HKCU";
    if (policyClass == "Machine") return "HKLM";
    return "HKCU or HKLM";
}

bool RootFits(const std::string& policyClass, std::int32_t root) {
    if (policyClass == "User") return root == catsrc::kRootCurrentUser;
    if (policyClass == "Machine") return root == catsrc::kRootLocalMachine;
    return root == catsrc::kRootCurrentUser || root == catsrc::kRootLocalMachine;
}

std::string TypeOfTweak(int regType) {
    switch (regType) {
    case catsrc::kTypeString: return "string";
    case catsrc::kTypeDword: return "dword";
    default: return "binary";
    }
}

class Checker {
public:
    Checker(const PolicyFacts& facts, std::vector<Finding>& findings) : findings_(findings) {
        for (const PolicyValue& v : facts.values) byPolicy_[v.policy].push_back(&v);
        for (const PolicyValue& v : facts.overrides) overrides_[v.policy] = &v;
    }

    void Check(const catsrc::Tweak& t) {
        tweak_ = &t;
        if (t.policy.empty()) {
            if (IsPolicyKey(t.subKey)) Report("lies under a policy key but names no policy");
            else if (t.editions != 0) Report("names editions but no policy whose facts say so");
            return;
        }
        auto it = byPolicy_.find(t.policy);
        if (it == byPolicy_.end()) {
            Report("names policy " + t.policy + ", which the facts do not hold");
            return;
        }
        const PolicyValue* fact = nullptr;
        for (const PolicyValue* v : it->second)
            if (Lower(v->key) == Lower(t.subKey) && (v->type == "list" || Lower(v->value) == Lower(t.dataName))) fact = v;
        if (!fact) {
            std::string written;
            for (const PolicyValue* v : it->second) written += (written.empty() ? "" : ", ") + v->key + "\\" + v->value;
            Report("policy " + t.policy + " writes no value " + t.subKey + "\\" + t.dataName + " (it writes " + written + ")");
            return;
        }
        if (!RootFits(fact->policyClass, t.root))
            Report("policy " + t.policy + " is a " + fact->policyClass + " policy: its values live under " +
                   RootOfClass(fact->policyClass));
        const std::string type = TypeOfTweak(t.regType);
        if (fact->type != type) {
            Report("policy " + t.policy + " writes a " + fact->type + " value, the tweak reads a " + type);
            return;
        }
        if (t.style == catsrc::Style::Check) CheckValues(*fact, t);
        CheckRestart(*fact, t);
        CheckEditions(*fact, t);
        CheckVersions(*fact, t);
    }

private:
    void Report(const std::string& message) {
        findings_.push_back(Finding{tweak_->file + ":" + std::to_string(tweak_->line), tweak_->describe, message});
    }

    void CheckValues(const PolicyValue& fact, const catsrc::Tweak& t) {
        ValueSet written;
        written.Add(fact.enabled);
        written.Add(fact.disabled);
        const bool numeric = t.regType == catsrc::kTypeDword;
        const std::string states = "enabled " + fact.enabled + ", disabled " + fact.disabled;
        if (!written.Contains(t.yesVal, numeric))
            Report("on value " + t.yesVal + " is no value policy " + t.policy + " writes (" + states + ")");
        // With autocreate, off removes the value instead of writing `off`.
        else if (!t.autoCreate && written.HoldsOtherThan(t.yesVal, numeric) && !written.Contains(t.noVal, numeric))
            Report("off value " + t.noVal + " is no value policy " + t.policy + " writes (" + states + ")");
    }

    std::string Effective(const PolicyValue& fact, std::string PolicyValue::*field) const {
        auto o = overrides_.find(fact.policy);
        if (o != overrides_.end() && o->second->*field != "-") return o->second->*field;
        return fact.*field;
    }

    void CheckRestart(const PolicyValue& fact, const catsrc::Tweak& t) {
        const std::string restart = Effective(fact, &PolicyValue::restart);
        if (restart == "yes" && !t.reboot)
            Report("policy " + t.policy + " says a restart or sign-out is needed, the tweak says restart no");
        else if (restart == "no" && t.reboot)
            Report("policy " + t.policy + " says no restart is needed, the tweak says restart yes");
    }

    void CheckEditions(const PolicyValue& fact, const catsrc::Tweak& t) {
        const std::string words = Effective(fact, &PolicyValue::editions);
        int bits = 0;
        if (words != "-" && !catsrc::ParseEditions(words, bits)) {
            Report("the facts of policy " + t.policy + " name unknown editions '" + words + "'");
            return;
        }
        if (bits != t.editions)
            Report("policy " + t.policy + " works on " + (bits ? catsrc::EditionWords(bits) + " only" : "every edition") +
                   ", the tweak names " + (t.editions ? catsrc::EditionWords(t.editions) : "no editions"));
    }

    void CheckVersions(const PolicyValue& fact, const catsrc::Tweak& t) {
        if (fact.since.compare(0, 4, "edge") == 0) {
            const std::string version = fact.since.substr(4);
            static const std::regex claim(R"((?:Edge|[Vv]ersion) (\d{2,3})\b)");
            for (std::sregex_iterator m(t.details.begin(), t.details.end(), claim), end; m != end; ++m)
                if ((*m)[1] != version)
                    Report("details name version " + (*m)[1].str() + ", policy " + t.policy + " exists from version " +
                           version);
            return;
        }
        if ((t.osMask & FamiliesOutside(fact.since)) != 0)
            Report("lists Windows that policy " + t.policy + " does not support (" +
                   (fact.since.find("..") == std::string::npos ? "from " + fact.since : fact.since) + ")");
    }

    std::vector<Finding>& findings_;
    std::map<std::string, std::vector<const PolicyValue*>> byPolicy_;
    std::map<std::string, const PolicyValue*> overrides_;
    const catsrc::Tweak* tweak_ = nullptr;
};

} // namespace

void ReadFacts(const std::string& text, const std::string& where, PolicyFacts& facts) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> f = Split(line, '\t');
        const std::string at = where + ":" + std::to_string(number) + ": ";
        if (f.size() != 10 && f.size() != 11)
            throw FactsError(at + std::to_string(f.size()) + " fields, a facts line has 10 (11 with its page)");
        for (const std::string& field : f)
            if (field.empty()) throw FactsError(at + "empty field (write - for none)");
        PolicyValue v{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f.size() == 11 ? f[10] : ""};
        if (v.policy.find(':') == std::string::npos) throw FactsError(at + "policy '" + v.policy + "' is not template:name");
        if (v.restart != "yes" && v.restart != "no" && v.restart != "-")
            throw FactsError(at + "restart '" + v.restart + "' (yes, no or -)");
        if (v.key == "*" && v.value == "*") {
            if (v.source.empty()) throw FactsError(at + "a row that adds to a template policy names its page");
            facts.overrides.push_back(std::move(v));
            continue;
        }
        if (v.policyClass != "User" && v.policyClass != "Machine" && v.policyClass != "Both")
            throw FactsError(at + "class '" + v.policyClass + "' (User, Machine or Both)");
        facts.values.push_back(std::move(v));
    }
}

std::string FactsLine(const PolicyValue& v) {
    std::string line = v.policy + "\t" + v.policyClass + "\t" + v.key + "\t" + v.value + "\t" + v.type + "\t" + v.enabled +
                       "\t" + v.disabled + "\t" + v.since + "\t" + v.editions + "\t" + v.restart;
    if (!v.source.empty()) line += "\t" + v.source;
    return line;
}

bool IsPolicyKey(const std::string& key) {
    const std::string k = Lower(key) + "\\";
    for (const std::string prefix : {"software\\policies\\", "software\\microsoft\\windows\\currentversion\\policies\\"})
        if (k.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

std::vector<Finding> CheckCatalogue(const catsrc::Catalogue& catalogue, const PolicyFacts& facts) {
    std::vector<Finding> findings;
    Checker checker(facts, findings);
    for (const catsrc::Tweak& t : catalogue.tweaks) checker.Check(t);
    return findings;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

} // namespace kelt::policy
