#pragma once
// Reads a PolicyDefinitions folder (the .admx files and their en-US .adml files) into facts:
// for every policy the registry values it writes and what its supported-on text and
// explanation say about Windows versions, editions and restarts. Only those facts are kept,
// never the templates' own text.
#include <map>
#include <string>
#include <vector>

#include "tools/policyfacts/policy_facts.h"

namespace kelt::policy {

struct TemplateReading {
    std::vector<PolicyValue> values;
    // Per policy, for whoever checks the reading: the supported-on text and the sentences
    // the restart and edition facts were taken from.
    std::map<std::string, std::string> evidence;
};

// Reads every .admx file of `folder` with the .adml file of the same name in its en-US folder
// (names compared without case). Raises XmlError or FactsError for a file it cannot read.
TemplateReading ReadTemplates(const std::string& folder);

// The Windows families a supported-on text names (2000 xp 2003 vista 7 8 10 11): the oldest,
// or oldest..newest where the text closes the range ("only", "through", "up to"); edgeN for
// "Microsoft Edge version N"; - when it names none.
std::string SinceOf(const std::string& supportedText);
// The editions a policy is limited to by its supported-on text or explanation, as edition
// words, or -.
std::string EditionsOf(const std::string& supportedText, const std::string& explanation);
// yes when the explanation says a change needs a restart of Windows or a new sign-in, no when
// it says none is needed, - otherwise (or when it says both); `sentence` gets the deciding
// sentence(s).
std::string RestartOf(const std::string& explanation, std::string* sentence);

} // namespace kelt::policy
