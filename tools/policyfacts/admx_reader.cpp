#include "tools/policyfacts/admx_reader.h"

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "tools/policyfacts/xml_reader.h"

namespace kelt::policy {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FactsError("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> List(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The entry of `folder` whose name equals `name` without regard to case; empty if none.
std::string FindNoCase(const std::string& folder, const std::string& name) {
    for (const std::string& n : List(folder))
        if (Lower(n) == Lower(name)) return folder + "/" + n;
    return std::string();
}

// "$(string.Id)" -> Id.
std::string Reference(const std::string& ref, const char* table) {
    const std::string head = std::string("$(") + table + ".";
    if (ref.compare(0, head.size(), head) == 0 && !ref.empty() && ref.back() == ')')
        return ref.substr(head.size(), ref.size() - head.size() - 1);
    return std::string();
}

struct TemplateFile {
    std::string stem;
    std::string nameSpace;
    std::map<std::string, std::string> prefixes;  // prefix -> namespace
    std::map<std::string, std::string> strings;   // adml string table
    std::unique_ptr<XmlElement> root;
};

// A written value: its type and text ("delete" for a removal).
struct Written {
    std::string type;
    std::string text;
};

Written ValueOf(const XmlElement* holder, const std::string& where) {
    if (!holder) return Written{"dword", "1"};
    for (const auto& c : holder->children) {
        if (c->name == "decimal") return Written{"dword", c->Attribute("value")};
        if (c->name == "longDecimal") return Written{"qword", c->Attribute("value")};
        if (c->name == "string") return Written{"string", c->text};
        if (c->name == "delete") return Written{"", "delete"};
    }
    throw FactsError(where + ": value without decimal, longDecimal, string or delete");
}

// The registry values of one policy, merged by key and value name.
class Rows {
public:
    Rows(const std::string& policy, const std::string& policyClass) : policy_(policy), class_(policyClass) {}

    void Enabled(const std::string& key, const std::string& value, const std::string& type, const std::string& text) {
        Row& r = At(key, value, type);
        if (std::find(r.enabled.begin(), r.enabled.end(), text) == r.enabled.end()) r.enabled.push_back(text);
    }
    void Disabled(const std::string& key, const std::string& value, const std::string& type, const std::string& text) {
        Row& r = At(key, value, type);
        if (r.disabled == "-" || r.disabled == "delete") r.disabled = text;
    }

    void AppendTo(std::vector<PolicyValue>& out, const std::string& since, const std::string& editions,
                  const std::string& restart) const {
        for (const Row& r : rows_) {
            PolicyValue v;
            v.policy = policy_;
            v.policyClass = class_;
            v.key = r.key;
            v.value = r.value;
            v.type = r.type.empty() ? "dword" : r.type;
            std::vector<std::string> enabled = r.enabled;
            if (enabled.size() > 1) enabled.erase(std::remove(enabled.begin(), enabled.end(), "delete"), enabled.end());
            for (const std::string& e : enabled) v.enabled += (v.enabled.empty() ? "" : "|") + e;
            if (v.enabled.empty()) v.enabled = "-";
            v.disabled = r.disabled;
            v.since = since;
            v.editions = editions;
            v.restart = restart;
            out.push_back(std::move(v));
        }
    }

private:
    struct Row {
        std::string key, value, type;
        std::vector<std::string> enabled;
        std::string disabled = "delete";
    };
    Row& At(const std::string& key, const std::string& value, const std::string& type) {
        for (Row& r : rows_)
            if (Lower(r.key) == Lower(key) && Lower(r.value) == Lower(value)) {
                if (r.type.empty()) r.type = type;
                return r;
            }
        rows_.push_back(Row{key, value, type, {}, "delete"});
        return rows_.back();
    }

    std::string policy_, class_;
    std::vector<Row> rows_;
};

void ItemList(const XmlElement* list, const std::string& key, Rows& rows, bool enabled, const std::string& where) {
    if (!list) return;
    const std::string defaultKey = list->Attribute("defaultKey", key);
    for (const XmlElement* item : list->ChildrenNamed("item")) {
        const Written w = ValueOf(item->Child("value"), where);
        const std::string itemKey = item->Attribute("key", defaultKey);
        if (enabled) rows.Enabled(itemKey, item->Attribute("valueName"), w.type, w.text);
        else rows.Disabled(itemKey, item->Attribute("valueName"), w.type, w.text);
    }
}

void Elements(const XmlElement* elements, const std::string& policyKey, Rows& rows, const std::string& where) {
    if (!elements) return;
    for (const auto& e : elements->children) {
        const std::string key = e->Attribute("key", policyKey);
        const std::string& name = e->Attribute("valueName");
        if (e->name == "boolean") {
            const XmlElement* on = e->Child("trueValue");
            const XmlElement* off = e->Child("falseValue");
            const Written t = on ? ValueOf(on, where) : Written{"dword", "1"};
            const Written f = off ? ValueOf(off, where) : Written{"dword", "0"};
            if (!name.empty()) {
                rows.Enabled(key, name, t.type, t.text);
                rows.Enabled(key, name, f.type.empty() ? t.type : f.type, f.text);
            }
            ItemList(e->Child("trueList"), key, rows, true, where);
            ItemList(e->Child("falseList"), key, rows, true, where);
        } else if (e->name == "decimal" || e->name == "longDecimal") {
            const std::string lo = e->Attribute("minValue", "0");
            const std::string hi = e->Attribute("maxValue", "9999");
            const bool text = e->Attribute("storeAsText") == "true";
            rows.Enabled(key, name, text ? "string" : e->name == "decimal" ? "dword" : "qword", lo + ".." + hi);
        } else if (e->name == "text") {
            rows.Enabled(key, name, e->Attribute("expandable") == "true" ? "expandstring" : "string", "*");
        } else if (e->name == "multiText") {
            rows.Enabled(key, name, "multistring", "*");
        } else if (e->name == "enum") {
            for (const XmlElement* item : e->ChildrenNamed("item")) {
                const Written w = ValueOf(item->Child("value"), where);
                rows.Enabled(key, name, w.type, w.text);
                ItemList(item->Child("valueList"), key, rows, true, where);
            }
        } else if (e->name == "list") {
            rows.Enabled(key, "*", "list", "*");
        }
    }
}

std::vector<std::string> Sentences(const std::string& text) {
    std::vector<std::string> result;
    std::string current;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        current += c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
        const bool end = c == '\n' || ((c == '.' || c == ':') && (i + 1 == text.size() || text[i + 1] == ' ' ||
                                                                   text[i + 1] == '\r' || text[i + 1] == '\n'));
        if (end || i + 1 == text.size()) {
            const size_t b = current.find_first_not_of(' ');
            if (b != std::string::npos) result.push_back(current.substr(b));
            current.clear();
        }
    }
    return result;
}

bool Matches(const std::string& sentence, const std::regex& pattern) { return std::regex_search(sentence, pattern); }

} // namespace

std::string SinceOf(const std::string& supportedText) {
    // The first line names the versions; "Not supported on ..." and notes on options follow it.
    std::string text = supportedText.substr(0, supportedText.find_first_of("\r\n"));
    text = text.substr(0, text.find("Not supported"));
    static const std::regex edge(R"(Microsoft Edge version (\d+))");
    std::smatch m;
    if (std::regex_search(text, m, edge)) return "edge" + m[1].str();
    static const std::pair<std::regex, const char*> families[] = {
        {std::regex(R"(Windows 2000)"), "2000"},
        {std::regex(R"(Windows XP)"), "xp"},
        {std::regex(R"(Windows Server 2003)"), "2003"},
        {std::regex(R"(Windows Vista|Windows Server 2008(?! R2))"), "vista"},
        {std::regex(R"(Windows 7|Windows Server 2008 R2)"), "7"},
        {std::regex(R"(Windows 8|Windows RT|Windows Server 2012)"), "8"},
        {std::regex(R"(Windows 10|Windows Server 2016|Windows Server 2019|Windows Server 2022)"), "10"},
        {std::regex(R"(Windows 11|Windows Server 2025)"), "11"}};
    std::string oldest, newest;
    for (const auto& [pattern, family] : families)
        if (std::regex_search(text, pattern)) {
            if (oldest.empty()) oldest = family;
            newest = family;
        }
    if (oldest.empty()) return "-";
    // "... only", "... through ...", "... up to ...": nothing after the newest one named.
    static const std::regex closed(R"(\bonly\b|\bthrough\b|\bup to\b)");
    const bool open = text.find("only with at least") != std::string::npos;
    return !open && std::regex_search(text, closed) ? oldest + ".." + newest : oldest;
}

std::string EditionsOf(const std::string& supported, const std::string& explanation) {
    auto words = [](const std::string& s) {
        std::string w;
        for (const char* name : {"Home", "Pro", "Enterprise", "Education", "Server"})
            if (std::regex_search(s, std::regex(std::string("\\b") + name + "\\b")))
                w += (w.empty() ? "" : " ") + Lower(name);
        return w;
    };
    if (std::regex_search(supported, std::regex(R"(\bEnterprise\b)"))) {
        const std::string w = words(supported);
        if (w.find("pro") == std::string::npos) return w;
    }
    // "This setting only applies to Enterprise and Education SKUs", "only available for
    // Enterprise SKUs": about the whole policy, not one of its values.
    static const std::regex limit(R"(\b(setting|policy)\b.*\b(only\b.*\b(SKUs?|editions?)\b|(SKUs?|editions?) only)\b)");
    for (const std::string& s : Sentences(explanation))
        if (std::regex_search(s, limit) && std::regex_search(s, std::regex(R"(\bEnterprise\b)")) &&
            !std::regex_search(s, std::regex(R"(\bvalue\b)")))
            return words(s);
    return "-";
}

std::string RestartOf(const std::string& explanation, std::string* sentence) {
    static const std::regex no(
        R"(\b(no (reboots?|system restart) or service restarts? (is|are) required|(reboot|restart) is not required|(does not|doesn't) require an?( Windows)? (reboot|restart)|takes? effect immediately|without (a )?(reboot|restart)ing?\b(?! the print)))",
        std::regex::icase);
    static const std::regex yes(
        R"(\b(must (restart|reboot) (windows|the (computer|device|system)|your (computer|device))|(reboot|restart) is required for (this|the)|requires? an? (reboot|restart) to take effect|(reboot|restart) to take effect|take effect (on|after) (a |the next )?(reboot|restart)|not take effect until (you restart windows|the user logs off|the (computer|system) (is )?(restarted|rebooted))|not be applied until the (system|computer) is (rebooted|restarted)|not be applied until the user logs off|until the user (logs|signs) (off|out)))",
        std::regex::icase);
    // Conditions and the browser's own restart say nothing about Windows.
    static const std::regex conditional(R"(^\s*If\b[^,]*\b(disabled|background|no reboot)\b|\bbrowser restart\b)", std::regex::icase);
    std::string yesSentence, noSentence;
    for (const std::string& s : Sentences(explanation)) {
        if (Matches(s, conditional)) continue;
        if (Matches(s, no)) noSentence += (noSentence.empty() ? "" : " / ") + s;
        else if (Matches(s, yes)) yesSentence += (yesSentence.empty() ? "" : " / ") + s;
    }
    if (sentence) *sentence = noSentence.empty() ? yesSentence : yesSentence.empty() ? noSentence : yesSentence + " // " + noSentence;
    if (!yesSentence.empty() && !noSentence.empty()) return "-";
    if (!yesSentence.empty()) return "yes";
    if (!noSentence.empty()) return "no";
    return "-";
}

TemplateReading ReadTemplates(const std::string& folder) {
    std::vector<TemplateFile> files;
    const std::string languageFolder = FindNoCase(folder, "en-US");
    for (const std::string& name : List(folder)) {
        if (name.size() < 6 || Lower(name.substr(name.size() - 5)) != ".admx") continue;
        TemplateFile f;
        f.stem = name.substr(0, name.size() - 5);
        f.root = ParseXml(ReadFile(folder + "/" + name), name);
        if (const XmlElement* ns = f.root->Child("policyNamespaces")) {
            for (const auto& c : ns->children) {
                if (c->name == "target") f.nameSpace = c->Attribute("namespace");
                f.prefixes[c->Attribute("prefix")] = c->Attribute("namespace");
            }
        }
        const std::string adml = languageFolder.empty() ? std::string() : FindNoCase(languageFolder, f.stem + ".adml");
        if (!adml.empty()) {
            auto doc = ParseXml(ReadFile(adml), f.stem + ".adml");
            if (const XmlElement* resources = doc->Child("resources"))
                if (const XmlElement* table = resources->Child("stringTable"))
                    for (const XmlElement* s : table->ChildrenNamed("string")) f.strings[s->Attribute("id")] = s->text;
        }
        files.push_back(std::move(f));
    }

    // Supported-on definitions of every namespace, resolved to their text.
    std::map<std::string, std::map<std::string, std::string>> supported;
    for (const TemplateFile& f : files)
        if (const XmlElement* s = f.root->Child("supportedOn"))
            if (const XmlElement* defs = s->Child("definitions"))
                for (const XmlElement* d : defs->ChildrenNamed("definition")) {
                    auto text = f.strings.find(Reference(d->Attribute("displayName"), "string"));
                    supported[f.nameSpace][d->Attribute("name")] = text == f.strings.end() ? std::string() : text->second;
                }

    TemplateReading reading;
    for (const TemplateFile& f : files) {
        const XmlElement* policies = f.root->Child("policies");
        if (!policies) continue;
        for (const XmlElement* p : policies->ChildrenNamed("policy")) {
            const std::string id = f.stem + ":" + p->Attribute("name");
            const std::string where = f.stem + ".admx " + p->Attribute("name");
            std::string supportedText;
            if (const XmlElement* s = p->Child("supportedOn")) {
                std::string ref = s->Attribute("ref");
                std::string nameSpace = f.nameSpace;
                const size_t colon = ref.find(':');
                if (colon != std::string::npos) {
                    auto prefix = f.prefixes.find(ref.substr(0, colon));
                    if (prefix != f.prefixes.end()) nameSpace = prefix->second;
                    ref = ref.substr(colon + 1);
                }
                auto defs = supported.find(nameSpace);
                if (defs != supported.end()) {
                    auto d = defs->second.find(ref);
                    if (d != defs->second.end()) supportedText = d->second;
                }
            }
            auto explain = f.strings.find(Reference(p->Attribute("explainText"), "string"));
            const std::string explanation = explain == f.strings.end() ? std::string() : explain->second;

            const std::string key = p->Attribute("key");
            Rows rows(id, p->Attribute("class"));
            const std::string& valueName = p->Attribute("valueName");
            if (!valueName.empty()) {
                const Written on = ValueOf(p->Child("enabledValue"), where);
                rows.Enabled(key, valueName, on.type, on.text);
                if (const XmlElement* off = p->Child("disabledValue")) {
                    const Written w = ValueOf(off, where);
                    rows.Disabled(key, valueName, w.type, w.text);
                }
            }
            ItemList(p->Child("enabledList"), key, rows, true, where);
            ItemList(p->Child("disabledList"), key, rows, false, where);
            Elements(p->Child("elements"), key, rows, where);

            std::string restartSentence;
            const std::string restart = RestartOf(explanation, &restartSentence);
            const std::string editions = EditionsOf(supportedText, explanation);
            rows.AppendTo(reading.values, SinceOf(supportedText), editions, restart);
            reading.evidence[id] = "supported: " + supportedText + (restartSentence.empty() ? "" : "\n  restart: " + restartSentence);
        }
    }
    return reading;
}

} // namespace kelt::policy
