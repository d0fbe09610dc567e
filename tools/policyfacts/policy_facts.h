#pragma once
// Facts of Group Policy settings, as kept in the repository beside the catalogue, and the
// check of the catalogue's policy tweaks against them.
//
// A facts table is text, one registry value a policy writes per line, ten fields split by tabs
// (lines starting with '#' are comments):
//
//   policy    template file and policy name, "CloudContent:ConfigureWindowsSpotlight"
//   class     User (HKCU), Machine (HKLM) or Both
//   key       key path below the root
//   value     value name
//   type      dword, qword, string, expandstring, multistring, or list (a list element:
//             value names of the user's choosing under `key`)
//   enabled   what the policy writes when enabled: one value, alternatives split by '|',
//             a range lo..hi of numbers, * for any text, or delete
//   disabled  what it writes when disabled: a value, or delete (also where the template names
//             no disabled value: the editor then removes the value), or - (nothing)
//   since     the oldest Windows family the template supports (2000 xp 2003 vista 7 8 10 11),
//             or oldest..newest where it names a last one; edgeN for a browser policy from
//             version N; or -
//   editions  the only editions the template says it works on (enterprise education server
//             ...), or -
//   restart   yes or no where the policy's explanation says whether a restart (or sign-out)
//             is needed, else -
//
// A table kept by hand for facts that Microsoft documents on a page instead of a template
// (security options) has an eleventh field: that page. A hand row whose key and value are
// both * adds to the template rows of its policy: its editions and restart fields, where not
// -, replace theirs.
#include <string>
#include <vector>

#include "storage/error.h"
#include "tools/xdbc/catalogue_source.h"

namespace kelt::policy {

class FactsError : public kelt::Error {
public:
    explicit FactsError(const std::string& message) : kelt::Error(message) {}
};

struct PolicyValue {
    std::string policy;
    std::string policyClass;
    std::string key;
    std::string value;
    std::string type;
    std::string enabled;
    std::string disabled;
    std::string since = "-";
    std::string editions = "-";
    std::string restart = "-";
    std::string source;  // hand rows only
};

struct PolicyFacts {
    std::vector<PolicyValue> values;
    std::vector<PolicyValue> overrides;  // hand rows with key and value *
};

// Reads one facts table into `facts` (appending); `where` names it in errors. Raises
// FactsError for a line that does not have the fields above.
void ReadFacts(const std::string& text, const std::string& where, PolicyFacts& facts);

// One line of a facts table, without its line break.
std::string FactsLine(const PolicyValue& value);

// `s` with A-Z made lower case: the templates' names compare without case, in ASCII.
std::string Lower(std::string s);

// Whether a key path lies under one of the keys Group Policy keeps its settings in
// (Software\Policies, Software\Microsoft\Windows\CurrentVersion\Policies).
bool IsPolicyKey(const std::string& key);

struct Finding {
    std::string where;     // file:line of the tweak
    std::string describe;  // the tweak's row caption
    std::string message;
};

// Holds every tweak against the facts: a tweak under a policy key must name its policy; a
// named policy must write the tweak's key and value, under the tweak's root, with its type;
// `on` must be a value the policy writes, and so must `off` where it is written (no autocreate)
// unless the policy only ever writes `on`; the restart flag, the editions and the oldest listed Windows must not contradict the
// facts; version numbers in the details of a browser policy must be the one it exists from.
std::vector<Finding> CheckCatalogue(const catsrc::Catalogue& catalogue, const PolicyFacts& facts);

} // namespace kelt::policy
