#pragma once
// Windows editions: the bits of a tweak's edition mask and the edition of the running Windows.
#include <string>

namespace kelt {

// A tweak's iEditions is an OR of these; 0 means every edition.
enum EditionCode : int {
    edUnknown = 0,
    edHome = 1,
    edPro = 2,
    edEnterprise = 4,
    edEducation = 8,
    edServer = 16,
};

// The edition an EditionID names ("Core...", "Professional...", "Enterprise...",
// "IoTEnterprise...", "Education...", "Server..."); 0 for one it cannot place.
int EditionOfId(const std::string& editionId);

// The running edition, read from EditionID under HKLM\Software\Microsoft\Windows NT\CurrentVersion
// (Windows keeps it from Vista on); 0 when it is missing or unknown.
int DetectEdition();

// Detects the running edition once, for every later test: OSEdition.
void DetectRunningEdition();

// The running edition (0 until detected, and for an unknown one, which suits every tweak).
extern int OSEdition;

// Whether a tweak with edition mask `mask` works on `edition`.
inline bool EditionSuits(int mask, int edition) { return mask == 0 || edition == edUnknown || (mask & edition) != 0; }

// The editions of a mask as words: "Enterprise and Education", "Enterprise, Education and
// Server"; empty for 0.
std::string EditionsText(int mask);

} // namespace kelt
