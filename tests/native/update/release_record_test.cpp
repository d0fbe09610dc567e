// The signed release record: what the reader refuses, byte for byte, and which verdict comes
// first. (Well-formed records, and what each verdict does, are driven through Update.exe.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/release_record.h"

using namespace kelt::update;

namespace {

std::string Field(const std::string& label, const std::vector<std::string>& values)
{
    std::string line = label;
    for (const std::string& v : values)
        line += " " + std::to_string(v.size()) + ":" + v;
    return line + "\n";
}

const std::string kHash(64, 'a');
// The signed part of a well-formed record, and one signature line (base64 of any bytes).
const std::string kSigned = std::string(kReleasePurpose) + "\n" + Field("product", {"Keltrix"}) +
                            Field("channel", {"stable"}) + Field("sequence", {"12"}) +
                            Field("expires", {"2024-02-29T23:59:59Z"}) + Field("file", {"version.ini", "20", kHash}) +
                            Field("file", {"filenames.ini", "0", kHash}) + Field("file", {"filesize.ini", "7", kHash}) +
                            Field("file", {"filehash.ini", "99", kHash});
const std::string kSignature = Field("signature", {"MAYCAQECAQE="});

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    return text.replace(text.find(from), from.size(), to);
}

TEST(ReleaseRecordTest, RefusesEveryOtherShape)
{
    const std::string sig = kSignature;
    const struct {
        std::string text, reason;
    } cases[] = {
        {"", "it is not a release record"},
        // Framing: a length that does not fit its value, or one written another way.
        {Replaced(kSigned, "7:Keltrix", "6:Keltrix") + sig, "its product is missing or malformed"},
        {Replaced(kSigned, "7:Keltrix", "07:Keltrix") + sig, "its product is missing or malformed"},
        {Replaced(kSigned, "6:stable", "7:stable ") + sig, "its channel is missing or malformed"},
        {Replaced(kSigned, "2:12", "3:012") + sig, "its sequence number is missing or malformed"},
        {Replaced(kSigned, "2:12", "1:0") + sig, "its sequence number is missing or malformed"},
        // The four files in their order, sizes plain, hashes lower-case.
        {Replaced(kSigned, "13:filenames.ini", "12:filesize.ini") + sig,
         "its entry for filenames.ini is missing or malformed"},
        {Replaced(kSigned, "2:20 64:a", "2:20 64:A") + sig, "its entry for version.ini is missing or malformed"},
        {Replaced(kSigned, "2:99", "7:1048577") + sig, "its entry for filehash.ini is missing or malformed"},
        {kSigned, "it carries no signature"},
        {kSigned + Field("signature", {"not base64"}), "its signature lines are malformed"},
        {kSigned + sig + Field("product", {"Keltrix"}), "its signature lines are malformed"},
    };
    for (const auto& c : cases) {
        ReleaseRecord r;
        EXPECT_EQ(ParseReleaseRecord(c.text, r), c.reason) << c.text;
    }
}

TEST(ReleaseRecordTest, TimesAreRealUtcMomentsAndOutOfDateComesBeforeTheSequence)
{
    std::int64_t t = -1;
    EXPECT_TRUE(ParseUtcTime("2000-03-01T00:00:00Z", t));
    EXPECT_EQ(t, 951868800);
    for (const char* bad : {"1969-12-31T23:59:59Z", "2100-02-29T00:00:00Z", "2024-04-31T00:00:00Z", "2024-01-01T24:00:00Z"})
        EXPECT_FALSE(ParseUtcTime(bad, t)) << bad;
    // A server held at the release this folder has is out of date, not "nothing new".
    ReleaseRecord r;
    ASSERT_EQ(ParseReleaseRecord(kSigned + kSignature, r), "");
    EXPECT_EQ(JudgeRelease(r, {"Keltrix", "stable", 12, r.expires - 1}).kind, ReleaseVerdict::Same);
    const ReleaseVerdict held = JudgeRelease(r, {"Keltrix", "stable", 12, r.expires});
    EXPECT_EQ(held.kind, ReleaseVerdict::Expired);
    EXPECT_EQ(held.reason, "2024-02-29 23:59:59 UTC");
}

} // namespace
