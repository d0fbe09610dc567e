#include "tools/xdbc/catalogue_source.h"

#include <set>
#include <sstream>

#include "storage/utf8_text.h"

namespace kelt::catsrc {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "https://host/..." or "http://host/...", without blanks.
bool IsWebAddress(const std::string& s) {
    const std::string lower = Lower(s);
    size_t hostAt = 0;
    if (lower.compare(0, 8, "https://") == 0) hostAt = 8;
    else if (lower.compare(0, 7, "http://") == 0) hostAt = 7;
    else return false;
    if (s.find_first_of(" \t\"") != std::string::npos) return false;
    const size_t hostEnd = s.find('/', hostAt);
    const std::string host = s.substr(hostAt, hostEnd == std::string::npos ? std::string::npos : hostEnd - hostAt);
    return host.find('.') != std::string::npos && host.front() != '.' && host.back() != '.';
}

// One "name value" line of a tweak block, with its continuation lines.
struct Field {
    std::string value;
    int line = 0;
};

const std::set<std::string>& KnownFields() {
    static const std::set<std::string> names = {"describe", "root", "key", "value", "type", "on", "off",
                                                "default", "default-by-version", "windows", "restart",
                                                "autocreate", "details", "source", "policy", "editions"};
    return names;
}

class FileParser {
public:
    FileParser(Catalogue& catalogue, std::map<std::string, std::string>& places,
               std::map<std::string, std::string>& kindNames, const PictureLoader& loader, const std::string& file)
        : catalogue_(catalogue), places_(places), kindNames_(kindNames), loader_(loader), file_(file) {}

    void Run(const std::string& text) {
        std::istringstream in(text);
        std::string raw;
        int line = 0;
        while (std::getline(in, raw)) {
            ++line;
            if (raw.find('\0') != std::string::npos) Fail(line, "NUL character in source");
            // The programs read catalogue text as UTF-8.
            if (!IsUtf8(raw)) Fail(line, "text that is not UTF-8 (save the file as UTF-8)");
            const std::string s = Trim(raw);
            if (s.empty() || s[0] == ';') continue;
            const bool continuation = IsBlank(raw[0]);
            if (continuation && inBlock_ && lastField_ == "details") {
                Field& f = fields_["details"];
                if (s == ".")
                    f.value += "\r\n\r\n";
                else if (f.value.empty() || (f.value.size() >= 2 && f.value.compare(f.value.size() - 2, 2, "\r\n") == 0))
                    f.value += s;
                else
                    f.value += " " + s;
                continue;
            }
            if (continuation) Fail(line, "indented line continues nothing (only 'details' has continuation lines)");
            if (s == "[check]" || s == "[edit]") {
                FinishBlock();
                if (kindLine_ == 0) Fail(line, "tweak block before the 'kind' line: no kind to put it in");
                StartBlock(s == "[check]" ? Style::Check : Style::Edit, line);
                continue;
            }
            if (s[0] == '[') Fail(line, "unknown block '" + s + "' (expected [check] or [edit])");
            const size_t split = s.find_first_of(" \t");
            const std::string name = s.substr(0, split);
            const std::string value = split == std::string::npos ? std::string() : Trim(s.substr(split));
            if (inBlock_)
                BlockField(name, value, line);
            else
                HeaderField(name, value, line);
        }
        FinishBlock();
        if (kindLine_ == 0) Fail(line == 0 ? 1 : line, "no 'kind' line in this file");
        if (catalogue_.kinds.size() == kindIndexBefore_) AddKind();
    }

private:
    [[noreturn]] void Fail(int line, const std::string& msg) const {
        throw SourceError(file_ + ":" + std::to_string(line) + ": " + msg);
    }

    void HeaderField(const std::string& name, const std::string& value, int line) {
        if (name == "kind") {
            if (kindLine_ != 0) Fail(line, "second 'kind' line: one kind per file");
            if (value.empty()) Fail(line, "empty kind name");
            if (value.find('&') != std::string::npos)
                Fail(line, "'&' in a kind name would show as an underlined key on its button; write 'and'");
            auto it = kindNames_.find(value);
            if (it != kindNames_.end()) Fail(line, "kind '" + value + "' already defined at " + it->second);
            kindName_ = value;
            kindLine_ = line;
        } else if (name == "picture") {
            if (pictureLine_ != 0) Fail(line, "'picture' given twice");
            if (value.empty()) Fail(line, "empty picture name");
            picture_ = value;
            pictureLine_ = line;
        } else if (name == "depth") {
            if (depthLine_ != 0) Fail(line, "'depth' given twice");
            if (value == "8") depth_ = 8;
            else if (value == "24") depth_ = 24;
            else Fail(line, "bad depth '" + value + "' (8 or 24)");
            depthLine_ = line;
        } else if (KnownFields().count(name)) {
            Fail(line, "field '" + name + "' outside a tweak block (start one with [check] or [edit])");
        } else {
            Fail(line, "unknown field '" + name + "'");
        }
    }

    void AddKind() {
        if (depthLine_ != 0 && pictureLine_ == 0) Fail(depthLine_, "'depth' without a 'picture'");
        Kind kind;
        kind.name = kindName_;
        kind.file = file_;
        kind.line = kindLine_;
        if (pictureLine_ != 0) {
            if (!loader_) Fail(pictureLine_, "pictures cannot be loaded here");
            kind.glyph = loader_(picture_, depth_, file_, pictureLine_);
        }
        kindNames_[kindName_] = file_ + ":" + std::to_string(kindLine_);
        catalogue_.kinds.push_back(std::move(kind));
    }

    void StartBlock(Style style, int line) {
        if (catalogue_.kinds.size() == kindIndexBefore_) AddKind();
        inBlock_ = true;
        style_ = style;
        blockLine_ = line;
        fields_.clear();
        lastField_.clear();
    }

    void BlockField(const std::string& name, const std::string& value, int line) {
        if (!KnownFields().count(name)) {
            if (name == "kind" || name == "picture" || name == "depth")
                Fail(line, "'" + name + "' belongs before the first tweak block");
            Fail(line, "unknown field '" + name + "'");
        }
        if (style_ == Style::Check && name == "default-by-version")
            Fail(line, "'default-by-version' belongs to [edit] blocks");
        if (style_ == Style::Check && name == "default")
            Fail(line, "'default' belongs to [edit] blocks; a [check] block has 'on' and 'off'");
        if (style_ == Style::Edit && (name == "on" || name == "off"))
            Fail(line, "'" + name + "' belongs to [check] blocks; an [edit] block has 'default'");
        auto it = fields_.find(name);
        if (it != fields_.end()) Fail(line, "'" + name + "' given twice in this block (first at line " + std::to_string(it->second.line) + ")");
        if (value.empty()) {
            if (name == "value" || name == "on" || name == "off" || name == "default")
                Fail(line, "empty '" + name + "'; write \"\" for an empty text");
            Fail(line, "empty '" + name + "'");
        }
        fields_[name] = Field{value, line};
        lastField_ = name;
    }

    const Field& Need(const char* name) const {
        auto it = fields_.find(name);
        if (it == fields_.end()) Fail(blockLine_, std::string("tweak has no '") + name + "'");
        return it->second;
    }

    // Text values: in double quotes the text is taken literally.
    static std::string Unquote(const std::string& v) {
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return v.substr(1, v.size() - 2);
        return v;
    }

    bool YesNo(const char* name) const {
        const Field& f = Need(name);
        if (f.value == "yes") return true;
        if (f.value == "no") return false;
        Fail(f.line, std::string("bad ") + name + " '" + f.value + "' (yes or no)");
    }

    // The item's text form of a value of the tweak's type.
    std::string Value(const Field& f, int type, bool mayBeEmpty) const {
        const std::string v = Unquote(f.value);
        switch (type) {
        case kTypeDword: {
            std::int32_t n = 0;
            if (!ParseDword(v, n))
                Fail(f.line, "DWORD value '" + f.value + "' is not a signed 32-bit number (decimal, or 0x and up to 8 hex digits)");
            return std::to_string(n);
        }
        case kTypeBinary: {
            std::string bytes;
            if (!ParseHexBytes(v, bytes)) Fail(f.line, "bad binary value '" + f.value + "' (hex byte pairs such as 01 FF 10)");
            if (bytes.empty() && !mayBeEmpty) Fail(f.line, "empty binary value");
            return bytes;
        }
        default:
            if (v.empty() && !mayBeEmpty) Fail(f.line, "empty text value");
            return v;
        }
    }

    void FinishBlock() {
        if (!inBlock_) return;
        inBlock_ = false;
        Tweak t;
        t.style = style_;
        t.kindIndex = static_cast<int>(catalogue_.kinds.size()) - 1;
        t.file = file_;
        t.line = blockLine_;

        const Field& describe = Need("describe");
        const std::size_t characters = Utf8Length(describe.value);
        if (characters > kMaxDescribeLength)
            Fail(describe.line, "description is " + std::to_string(characters) + " characters long, at most " +
                                    std::to_string(kMaxDescribeLength) + " fit a row");
        if (describe.value.find('&') != std::string::npos)
            Fail(describe.line, "'&' in a description would show as an underlined key on its check box; write 'and'");
        t.describe = describe.value;

        const Field& root = Need("root");
        if (!ParseRoot(root.value, t.root)) Fail(root.line, "unknown root '" + root.value + "' (HKCR, HKCU, HKLM, HKU or HKCC)");

        const Field& key = Need("key");
        t.subKey = key.value;
        if (t.subKey.front() == '\\' || t.subKey.back() == '\\' || t.subKey.find("\\\\") != std::string::npos)
            Fail(key.line, "key path '" + t.subKey + "' has an empty part");

        t.dataName = Unquote(Need("value").value);

        const Field& type = Need("type");
        if (type.value == "string") t.regType = kTypeString;
        else if (type.value == "dword") t.regType = kTypeDword;
        else if (type.value == "binary") t.regType = kTypeBinary;
        else Fail(type.line, "unknown type '" + type.value + "' (string, dword or binary)");

        if (style_ == Style::Check) {
            const Field& on = Need("on");
            const Field& off = Need("off");
            t.yesVal = Value(on, t.regType, true);
            t.noVal = Value(off, t.regType, true);
            if (t.yesVal == t.noVal) Fail(off.line, "'on' and 'off' are the same value");
        } else {
            const Field& def = Need("default");
            // An edit-styled DWORD is written from its text, so it always needs a number.
            t.defaultVal = Value(def, t.regType, t.regType != kTypeDword);
            auto byVersion = fields_.find("default-by-version");
            if (byVersion != fields_.end()) t.defaultsByVersion = DefaultsByVersion(byVersion->second, t.regType);
        }

        const Field& windows = Need("windows");
        t.osMask = Families(windows);
        t.windowsWords = windows.value;
        t.reboot = YesNo("restart");
        t.autoCreate = YesNo("autocreate");
        t.details = Need("details").value;
        const Field& source = Need("source");
        if (!IsWebAddress(source.value))
            Fail(source.line, "source '" + source.value + "' is not a web address (http:// or https:// and a host)");
        t.source = source.value;
        auto policy = fields_.find("policy");
        if (policy != fields_.end()) {
            const std::string& id = policy->second.value;
            const size_t colon = id.find(':');
            if (colon == std::string::npos || colon == 0 || colon + 1 == id.size() || id.find_first_of(" \t") != std::string::npos)
                Fail(policy->second.line, "policy '" + id + "' is not template:name (for example CloudContent:ConfigureWindowsSpotlight)");
            t.policy = id;
        }
        auto editions = fields_.find("editions");
        if (editions != fields_.end() && !ParseEditions(editions->second.value, t.editions))
            Fail(editions->second.line, "bad editions '" + editions->second.value + "' (home pro enterprise education server, each once)");

        std::string identity = std::to_string(t.root) + "|" + Lower(t.subKey) + "|" + Lower(t.dataName);
        auto dup = places_.find(identity);
        if (dup != places_.end())
            Fail(blockLine_, "duplicate tweak: the same root, key and value as " + dup->second);
        places_[identity] = file_ + ":" + std::to_string(blockLine_);
        catalogue_.tweaks.push_back(std::move(t));
    }

    // "families = value" groups split by ';'; no family in two groups.
    std::vector<std::pair<int, std::string>> DefaultsByVersion(const Field& f, int type) const {
        std::vector<std::pair<int, std::string>> result;
        int seen = 0;
        std::string rest = f.value;
        while (!rest.empty()) {
            const size_t end = rest.find(';');
            const std::string group = Trim(rest.substr(0, end));
            rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
            const size_t eq = group.find('=');
            if (eq == std::string::npos || Trim(group.substr(0, eq)).empty() || Trim(group.substr(eq + 1)).empty())
                Fail(f.line, "bad default-by-version group '" + group + "' (families = value)");
            const int families = Families(Field{Trim(group.substr(0, eq)), f.line}) & ~kMaskListsModern;
            if ((seen & families) != 0) Fail(f.line, "a Windows family has two defaults in default-by-version");
            seen |= families;
            result.emplace_back(families, Value(Field{Trim(group.substr(eq + 1)), f.line}, type, type != kTypeDword));
        }
        return result;
    }

    int Families(const Field& f) const {
        static const std::map<std::string, int> bits = {
            {"95", kWin95},     {"98", kWin98},   {"me", kWinMe},   {"nt4", kWinNT4},   {"2000", kWin2000},
            {"xp", kWinXP},     {"2003", kWin2003}, {"vista", kWinVista}, {"7", kWin7},  {"8", kWin8},
            {"10", kWin10},     {"11", kWin11},
            {"vista+", kWinVista | kWin7 | kWin8 | kWin10 | kWin11},
            {"7+", kWin7 | kWin8 | kWin10 | kWin11},
            {"8+", kWin8 | kWin10 | kWin11},
            {"10+", kWin10 | kWin11}};
        static const char* const kWords = "95 98 me nt4 2000 xp 2003 vista 7 8 10 11, or vista+ 7+ 8+ 10+";
        std::istringstream in(f.value);
        std::string w;
        int mask = 0;
        while (in >> w) {
            auto it = bits.find(Lower(w));
            if (it == bits.end()) Fail(f.line, "unknown Windows family '" + w + "' (" + kWords + ")");
            if ((mask & it->second) != 0) Fail(f.line, "Windows family '" + w + "' listed twice");
            mask |= it->second;
        }
        if (mask == 0) Fail(f.line, std::string("no Windows family listed (") + kWords + ")");
        return mask | kMaskListsModern;
    }

    Catalogue& catalogue_;
    std::map<std::string, std::string>& places_;
    std::map<std::string, std::string>& kindNames_;
    const PictureLoader& loader_;
    const std::string file_;
    const size_t kindIndexBefore_ = catalogue_.kinds.size();

    std::string kindName_, picture_;
    int kindLine_ = 0, pictureLine_ = 0, depthLine_ = 0, depth_ = 8;

    bool inBlock_ = false;
    Style style_ = Style::Check;
    int blockLine_ = 0;
    std::map<std::string, Field> fields_;
    std::string lastField_;
};

} // namespace

void CatalogueCompiler::AddSource(const std::string& text, const std::string& fileName) {
    // Work on copies so that a failing source leaves the catalogue as it was.
    Catalogue catalogue = catalogue_;
    auto places = places_;
    auto kindNames = kindNames_;
    FileParser(catalogue, places, kindNames, loader_, fileName).Run(text);
    catalogue_ = std::move(catalogue);
    places_ = std::move(places);
    kindNames_ = std::move(kindNames);
}

bool ParseDword(const std::string& text, std::int32_t& value) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        if (text.size() > 10) return false;
        std::uint32_t v = 0;
        for (size_t i = 2; i < text.size(); ++i) {
            int d = HexDigit(text[i]);
            if (d < 0) return false;
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        value = static_cast<std::int32_t>(v);
        return true;
    }
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    if (i == text.size() || text.size() - i > 10) return false;
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

bool ParseHexBytes(const std::string& text, std::string& bytes) {
    bytes.clear();
    std::istringstream in(text);
    std::string w;
    while (in >> w) {
        if (w.size() != 2) return false;
        int hi = HexDigit(w[0]), lo = HexDigit(w[1]);
        if (hi < 0 || lo < 0) return false;
        bytes.push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

bool ParseRoot(const std::string& text, std::int32_t& code) {
    static const std::map<std::string, std::int32_t> roots = {
        {"HKCR", kRootClassesRoot},   {"HKEY_CLASSES_ROOT", kRootClassesRoot},
        {"HKCU", kRootCurrentUser},   {"HKEY_CURRENT_USER", kRootCurrentUser},
        {"HKLM", kRootLocalMachine},  {"HKEY_LOCAL_MACHINE", kRootLocalMachine},
        {"HKU", kRootUsers},          {"HKEY_USERS", kRootUsers},
        {"HKCC", kRootCurrentConfig}, {"HKEY_CURRENT_CONFIG", kRootCurrentConfig}};
    auto it = roots.find(text);
    if (it == roots.end()) return false;
    code = it->second;
    return true;
}

namespace {
const std::pair<const char*, int> kEditionWords[] = {{"home", kEditionHome},
                                                     {"pro", kEditionPro},
                                                     {"enterprise", kEditionEnterprise},
                                                     {"education", kEditionEducation},
                                                     {"server", kEditionServer}};
}

bool ParseEditions(const std::string& text, int& bits) {
    std::istringstream in(text);
    std::string w;
    int result = 0;
    while (in >> w) {
        int bit = 0;
        for (const auto& [word, b] : kEditionWords)
            if (Lower(w) == word) bit = b;
        if (bit == 0 || (result & bit) != 0) return false;
        result |= bit;
    }
    if (result == 0) return false;
    bits = result;
    return true;
}

std::string EditionWords(int bits) {
    std::string words;
    for (const auto& [word, b] : kEditionWords)
        if ((bits & b) != 0) words += (words.empty() ? "" : " ") + std::string(word);
    return words;
}

} // namespace kelt::catsrc
